#include "settings/foldersections.h"

#include <gtest/gtest.h>

#include "settings/inifile.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

TEST(FolderSectionsTest, WriteKeepsOtherSectionsAndReadDropsMissingFolders) {
    TempFolder folder;
    const std::string ini = folder / "quenby.ini";
    const std::string card = folder / "card";
    const std::string camera = folder / "Kamera";
    test::MakeFolders(card);
    test::MakeFolders(camera);
    WriteFile(ini,
              "[Quenbyform]\r\nSektionVorhanden=1\r\n\r\n[Check]\r\nWroteSuccesful=1\r\n\r\n"
              "[Quellverzeichnisse]\r\nAnzahl=5\r\nNr1=a\r\nNr2=b\r\nNr3=c\r\nNr4=d\r\nNr5=e\r\n");

    WriteSourceFolderSettings(ini, {card, folder / "gone", camera, card}, card);
    // Entries of an earlier, longer list stay in the file and are ignored.
    EXPECT_EQ(ReadFile(ini),
              "[Quenbyform]\r\nSektionVorhanden=1\r\n\r\n[Check]\r\nWroteSuccesful=1\r\n\r\n"
              "[Quellverzeichnisse]\r\nAnzahl=4\r\nNr1=" +
                  card + "\r\nNr2=" + (folder / "gone") + "\r\nNr3=" + camera + "\r\nNr4=" + card +
                  "\r\nNr5=e\r\n\r\n"
                  "[Verzeichnisse]\r\nQuellpfad=" +
                  card + "\r\n\r\n");

    const SourceFolderSettings read = ReadSourceFolderSettings(ini);
    EXPECT_EQ(read.SourceFolders, (std::vector<std::string>{card, camera, card}));
    EXPECT_EQ(read.SelectedFolder, card);
}

TEST(FolderSectionsTest, CountsAndEntriesAtTheLimits) {
    TempFolder folder;
    const std::string a = folder / "a";
    const std::string b = folder / "b";
    test::MakeFolders(a);
    test::MakeFolders(b);
    const struct {
        const char* name;
        std::string section;
        std::vector<std::string> expected;
    } cases[] = {
        {"entry 2 missing", "Anzahl=3\r\nNr1=" + a + "\r\nNr3=" + b, {a, b}},
        {"count missing", "Nr1=" + a, {}},
        {"count no number", "Anzahl=zwei\r\nNr1=" + a, {}},
        {"count negative", "Anzahl=-1\r\nNr1=" + a, {}},
        {"any letter case, last entry wins",
         "ANZAHL=2\r\nnr2=" + a + "\r\nNR1=" + b + "\r\nNr2=" + b,
         {b, b}},
        {"leading zero is another key", "Anzahl=1\r\nNr01=" + a, {}},
        {"huge count reads what is there",
         "Anzahl=2147483647\r\nNr2=" + b + "\r\nNr1=" + a,
         {a, b}},
        {"hex count", "Anzahl=$2\r\nNr1=" + a + "\r\nNr2=" + b + "\r\nNr3=" + a, {a, b}},
    };
    for (const auto& c : cases) {
        const std::string ini = folder / "quenby.ini";
        WriteFile(ini, "[Quellverzeichnisse]\r\n" + c.section + "\r\n");
        EXPECT_EQ(ReadSourceFolderSettings(ini).SourceFolders, c.expected) << c.name;
    }
    const SourceFolderSettings none = ReadSourceFolderSettings(folder / "none.ini");
    EXPECT_TRUE(none.SourceFolders.empty());
    EXPECT_EQ(none.SelectedFolder, "");
}

}  // namespace
}  // namespace quenby
