// Only new photos: what the memory of imported photos makes a run copy,
// skip and delete, on real files and a real database.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/copytesthooks.h"
#include "sorting/datenaming.h"
#include "sorting/importmemory.h"
#include "sorting/sortrun.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using Lines = std::vector<std::string>;

class OnlyNewTest : public ::testing::Test {
protected:
    void SetUp() override { ResetDateNaming(); }
    void TearDown() override { ResetDateNaming(); }

    SortOptions Options(const std::string& card) const {
        SortOptions options;
        options.SourceFolders = {m_tmp / card};
        options.TargetRoot = m_tmp / "lib";
        options.MaskText = "*.jpg";
        options.SeparatorIndex = 0;
        options.OnlyNew = true;
        options.ImportMemoryFile = m_tmp / "memory/imported.sqlite";
        return options;
    }

    void Photo(const std::string& relative, const std::string& contents, int day = 3) const {
        test::WriteFile(m_tmp / relative, contents);
        test::SetLocalMtime(m_tmp / relative, 2014, 5, day, 14, 0);
    }

    SortCounts Run(const SortOptions& options, Lines* problems = nullptr) const {
        MessageList messages;
        SortCounts counts = SortRun(options, messages, {}, [problems](const SortProblem& p) {
            if (problems != nullptr) {
                problems->push_back(p.Text);
            }
        });
        m_lines = messages.Lines();
        return counts;
    }

    bool Said(const std::string& line) const {
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }

    test::TempFolder m_tmp;
    mutable Lines m_lines;
};

// A first run imports a.jpg; what happens between the runs decides whether
// the second run copies it again.
TEST_F(OnlyNewTest, WhatWasImportedComesNotAgain) {
    enum class Then : std::uint8_t {
        DeleteCopy,
        RenameCopy,
        ChangeLayout,
        DeleteCopyAndResize,
        DeleteCopyAndRetime,
        Nothing,
    };
    const struct {
        const char* Name;
        Then Between;
        // The first run: without the memory, foretold, or with its copy
        // damaged on the disk and verified.
        bool FirstPlain = false;
        bool FirstDry = false;
        bool FirstDamaged = false;
        bool CopiedAgain;
    } rows[] = {
        {"DeletedCopy", Then::DeleteCopy, false, false, false, false},
        {"RenamedCopy", Then::RenameCopy, false, false, false, false},
        {"OtherLayout", Then::ChangeLayout, false, false, false, false},
        {"SameNameOtherSize", Then::DeleteCopyAndResize, false, false, false, true},
        {"SameNameOtherTime", Then::DeleteCopyAndRetime, false, false, false, true},
        {"FailedCopyIsNotRemembered", Then::Nothing, false, false, true, true},
        {"DryRunRemembersNothing", Then::Nothing, false, true, false, true},
        // An identical copy that was there before the memory is learnt.
        {"ExistingCopyIsLearnt", Then::DeleteCopy, true, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string card = std::string("card-") + row.Name;
        Photo(card + "/a.jpg", "photo a");
        std::filesystem::remove_all(m_tmp / "lib");
        std::filesystem::remove_all(m_tmp / "memory");
        test::MakeFolders(m_tmp / "lib");
        const std::string copy = m_tmp / "lib/2014-05-03/a.jpg";

        SortOptions first = Options(card);
        first.DryRun = row.FirstDry;
        first.VerifyCopies = row.FirstDamaged;
        if (row.FirstPlain) {
            first.OnlyNew = false;
            Run(first);
            first.OnlyNew = true;
        }
        platform::testhooks::DamageCopiesNamed(row.FirstDamaged ? "a.jpg" : "");
        Run(first);
        platform::testhooks::DamageCopiesNamed("");
        EXPECT_EQ(test::Exists(m_tmp / "memory/imported.sqlite"), !row.FirstDry);

        SortOptions second = Options(card);
        switch (row.Between) {
            case Then::DeleteCopy:
                std::filesystem::remove(copy);
                break;
            case Then::RenameCopy:
                std::filesystem::rename(copy, m_tmp / "lib/2014-05-03/holiday.jpg");
                break;
            case Then::ChangeLayout:
                second.LayoutIndex = 2;
                break;
            case Then::DeleteCopyAndResize:
                std::filesystem::remove(copy);
                Photo(card + "/a.jpg", "another photo a");
                break;
            case Then::DeleteCopyAndRetime:
                std::filesystem::remove(copy);
                Photo(card + "/a.jpg", "photo a", 4);
                break;
            case Then::Nothing:
                break;
        }
        const SortCounts counts = Run(second);
        EXPECT_EQ(counts.Found, 1);
        EXPECT_EQ(counts.Copied, row.CopiedAgain ? 1 : 0);
        EXPECT_EQ(Said("File " + (m_tmp / (card + "/a.jpg")) + " was imported before"),
                  !row.CopiedAgain);
    }
}

// With deletion, a source imported before goes only while its copy is in
// the target as the memory has it.
TEST_F(OnlyNewTest, DeletesWhatWasImportedOnlyWhileItsCopyIsThere) {
    for (const bool copyThere : {true, false}) {
        SCOPED_TRACE(copyThere ? "copy there" : "copy deleted");
        std::filesystem::remove_all(m_tmp / "lib");
        test::MakeFolders(m_tmp / "lib");
        Photo("card/a.jpg", "photo a");
        Run(Options("card"));
        if (!copyThere) {
            std::filesystem::remove(m_tmp / "lib/2014-05-03/a.jpg");
        }
        SortOptions deleting = Options("card");
        deleting.DeleteSources = true;
        Lines problems;
        const SortCounts counts = Run(deleting, &problems);
        EXPECT_EQ(counts.Copied, 0);
        EXPECT_EQ(test::Exists(m_tmp / "card/a.jpg"), !copyThere);
        EXPECT_EQ(problems.empty(), copyThere);
    }
}

// Two runs into one library at once, each with its own card: both finish,
// and the memory holds every photo once.
TEST_F(OnlyNewTest, TwoRunsAtOnceRememberEverything) {
    constexpr int kPhotos = 150;
    for (const char* card : {"one", "two"}) {
        for (int i = 0; i < kPhotos; ++i) {
            Photo(std::string(card) + "/" + card + std::to_string(i) + ".jpg", card, 3 + i % 5);
        }
    }
    test::MakeFolders(m_tmp / "lib");
    SortCounts counts[2];
    std::string failures[2];
    const auto run = [&](int which) {
        try {
            MessageList messages;
            counts[which] = SortRun(Options(which == 0 ? "one" : "two"), messages, {}, {});
        } catch (const std::exception& error) {
            failures[which] = error.what();
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
    EXPECT_EQ(counts[0].Copied, kPhotos);
    EXPECT_EQ(counts[1].Copied, kPhotos);
    for (const char* card : {"one", "two"}) {
        Run(Options(card));
        EXPECT_EQ(std::count_if(m_lines.begin(), m_lines.end(),
                                [](const std::string& line) {
                                    return line.ends_with(" was imported before");
                                }),
                  kPhotos)
            << card;
    }
}

// A memory that cannot be used stops the run before it touches anything.
TEST_F(OnlyNewTest, AnUnusableMemoryRefusesTheRun) {
    Photo("card/a.jpg", "photo a");
    test::MakeFolders(m_tmp / "lib");
    test::WriteFile(m_tmp / "memory/imported.sqlite", std::string(4096, 'x'));
    SortOptions options = Options("card");
    options.DeleteSources = true;
    EXPECT_THROW(Run(options), ImportMemoryError);
    EXPECT_TRUE(test::ListFolder(m_tmp / "lib").empty());
    EXPECT_TRUE(test::Exists(m_tmp / "card/a.jpg"));
    // Without the memory the run never opens it.
    options.OnlyNew = false;
    EXPECT_EQ(Run(options).Copied, 1);
}

}  // namespace
}  // namespace quenby
