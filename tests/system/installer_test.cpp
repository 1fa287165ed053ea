#include "system/installer.h"

#include <gtest/gtest.h>

#include "platform/process/executable.h"
#include "platform/process/versioninfo.h"
#include "quenby_version.h"
#include "tests/support/elfimage.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::ElfNote;
using test::MakeElfImage;
using test::TempFolder;
using test::VersionNote;

// Version notes in ELF images; the Windows resource has its own tests.
#ifndef _WIN32
TEST(InstallerTest, VersionTextAndNumberFromTheFile) {
    const struct {
        std::uint32_t major, minor, release, build;
        const char* text;
        double number;
    } cases[] = {
        {1, 1, 5340, 56536, "1.1.5340 Build: 56536", 1.01},
        {1, 10, 0, 7, "1.10.0 Build: 7", 1.1},
        {3, 0, 0, 0, "3.0.0 Build: 0", 3.0},
        {1, 100, 0, 0, "1.100.0 Build: 0", 2.0},
        {2, 0, 0, 0, "2.0.0 Build: 0", 2.0},
        {65535, 65535, 65535, 65535, "65535.65535.65535 Build: 65535", 65535 + 655.35},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        for (const bool wide : {true, false}) {
            for (const bool big : {false, true}) {
                const std::string path = folder / "quenby";
                test::WriteFile(path,
                                MakeElfImage({ElfNote{"GNU", 3, {1, 2, 3, 4}},
                                              VersionNote(c.major, c.minor, c.release, c.build)},
                                             wide, big));
                std::string text;
                double number = 0;
                EXPECT_TRUE(GetVersionString(text, path));
                EXPECT_TRUE(GetVersionNumber(number, path));
                EXPECT_EQ(text, c.text) << wide << big;
                EXPECT_EQ(number, c.number) << c.text;
            }
        }
    }
}

TEST(InstallerTest, NoVersionInformationLeavesTheCallersValues) {
    TempFolder folder;
    const struct {
        const char* name;
        std::string contents;
    } cases[] = {
        {"ELF without our note", MakeElfImage({ElfNote{"GNU", 3, {1, 2, 3, 4}}})},
        {"our name, other type", MakeElfImage({ElfNote{"Quenby", 2, {0xFEEF04BD, 0x20001, 0}}})},
        {"file cut off before its section table",
         MakeElfImage({VersionNote(2, 5, 0, 0)}).substr(0, 70)},
        {"no ELF file", "#!/bin/sh\necho quenby\n"},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        const std::string path = folder / "quenby";
        test::WriteFile(path, c.contents);
        std::string text = "unchanged";
        double number = 4.5;
        EXPECT_FALSE(GetVersionString(text, path)) << c.name;
        EXPECT_FALSE(GetVersionNumber(number, path)) << c.name;
        EXPECT_EQ(text, "unchanged") << c.name;
        EXPECT_EQ(number, 4.5) << c.name;
    }
    std::string text = "unchanged";
    EXPECT_FALSE(GetVersionString(text, folder / "missing"));
    EXPECT_FALSE(GetVersionString(text, folder.Path()));
    EXPECT_EQ(text, "unchanged");
}

TEST(InstallerTest, AnUnreadableVersionRecordGivesTheDefaults) {
    TempFolder folder;
    const struct {
        const char* name;
        std::string contents;
    } cases[] = {
        {"record cut short", MakeElfImage({ElfNote{"Quenby", 1, {0xFEEF04BD, 0x30002}}})},
        {"wrong signature", MakeElfImage({ElfNote{"Quenby", 1, {0xFEEF04BE, 0x30002, 0}}})},
        {"empty record", MakeElfImage({ElfNote{"Quenby", 1, {}}})},
    };
    for (const auto& c : cases) {
        const std::string path = folder / "quenby";
        test::WriteFile(path, c.contents);
        std::string text;
        double number = 0;
        EXPECT_TRUE(GetVersionString(text, path)) << c.name;
        EXPECT_TRUE(GetVersionNumber(number, path)) << c.name;
        EXPECT_EQ(text, "1.0.0 Build: 0") << c.name;
        EXPECT_EQ(number, 1.0) << c.name;
    }
}

#endif

TEST(InstallerTest, TheRunningExecutableCarriesTheProjectVersion) {
    platform::FileVersionWords words;
    ASSERT_EQ(platform::ReadFileVersion(platform::ExecutablePath(), words),
              platform::VersionInfoStatus::Found);
    EXPECT_EQ(words.MostSignificant,
              std::uint32_t{QUENBY_VERSION_MAJOR} << 16 | QUENBY_VERSION_MINOR);
    EXPECT_EQ(words.LeastSignificant,
              std::uint32_t{QUENBY_VERSION_RELEASE} << 16 | QUENBY_VERSION_BUILD);
    std::string text;
    ASSERT_TRUE(GetVersionString(text));
    EXPECT_EQ(text, std::to_string(QUENBY_VERSION_MAJOR) + "." +
                        std::to_string(QUENBY_VERSION_MINOR) + "." +
                        std::to_string(QUENBY_VERSION_RELEASE) +
                        " Build: " + std::to_string(QUENBY_VERSION_BUILD));
}

#ifndef _WIN32
TEST(InstallerTest, LanguageFromTheLocaleEnvironment) {
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        TUserLanguage expected;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", ulGerman},
        {nullptr, nullptr, "de_CH", ulGerman},
        {nullptr, nullptr, "de_AT.UTF-8", ulGerman},
        {nullptr, nullptr, "en_US.UTF-8", ulEnglish},
        {nullptr, nullptr, "en_GB", ulEnglish},
        {nullptr, nullptr, "fr_FR.UTF-8", ulOther},
        {nullptr, nullptr, "C", ulOther},
        {nullptr, nullptr, "POSIX", ulOther},
        {nullptr, nullptr, nullptr, ulOther},
        {"fr_FR.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", ulOther},
        {"", "de_DE.UTF-8", "en_US.UTF-8", ulGerman},
        {nullptr, "", "en_US.UTF-8", ulEnglish},
    };
    auto value = [](const char* text) {
        return text == nullptr ? std::nullopt : std::optional<std::string>(text);
    };
    for (const auto& c : cases) {
        const test::EnvGuard all("LC_ALL", value(c.lcAll));
        const test::EnvGuard messages("LC_MESSAGES", value(c.lcMessages));
        const test::EnvGuard lang("LANG", value(c.lang));
        EXPECT_EQ(GetUserLanguage(), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
    static_assert(ulGerman == 0 && ulEnglish == 1 && ulOther == 2 && sizeof(TUserLanguage) == 1);
}

#endif

TEST(InstallerTest, LanguageFromTheLanguageIdentifier) {
    const struct {
        std::uint16_t id;
        TUserLanguage expected;
    } cases[] = {
        {0x0407, ulGerman},   // Germany
        {0x0807, ulGerman},   // Switzerland
        {0x0C07, ulGerman},   // Austria
        {0x0409, ulEnglish},  // United States
        {0x0809, ulEnglish},  // United Kingdom
        {0x040C, ulOther},    // France
        {0x0000, ulOther},    // neutral
        {0x0007, ulGerman},   // German without a country
        {0xFC07, ulGerman},   // only the low ten bits name the language
        {0x0417, ulOther},    // Romansh: 0x17, not German though its low bits hold 7
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UserLanguageFromLanguageId(c.id), c.expected) << std::hex << c.id;
    }
}

}  // namespace
}  // namespace quenby
