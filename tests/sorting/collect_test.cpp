#include "sorting/collect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

// More folders than the walk keeps open at once, a folder read in several
// parts, files that two patterns select, a folder named like a photo, and a
// time for every file.
TEST(CollectFoundFilesTest, HelpersChangeNeitherTheFilesNorTheirOrderNorTheirDates) {
    TempFolder tmp;
    std::time_t time = 1'400'000'000;
    for (int outer = 0; outer < 9; ++outer) {
        for (int inner = 0; inner < 10; ++inner) {
            const std::string folder =
                tmp / ("card/d" + std::to_string(outer) + "/s" + std::to_string(inner) + "/");
            for (const char* name : {"b.jpg", "a.jpg", "clip.avi", "note.txt"}) {
                test::WriteFile(folder + name, "x");
                test::SetMtime(folder + name, time += 40'000);
            }
            test::MakeFolders(folder + "x.jpg");
        }
    }
    for (int i = 0; i < 600; ++i) {
        const std::string photo = tmp / ("card/zz/a" + std::to_string(1000 + i) + ".jpg");
        test::WriteFile(photo, "x");
        test::SetMtime(photo, time += 40'000);
    }
    SortOptions options;
    options.SourceFolders = {tmp / "card", tmp / "card/d3"};
    const std::vector<std::string> patterns = {"*.jpg", "a*", "*.avi"};

    const FoundFiles serial = CollectFoundFiles(options, patterns, {}, nullptr, 0);
    // Per source, the pattern lists one after another: (2 + 1 + 1) files
    // per folder in 90 folders, 600 + 600 in zz, then again d3's 10 folders.
    ASSERT_EQ(serial.size(), 4U * 90 + 1200 + 4U * 10);
    EXPECT_EQ(serial[0].Dateiname, tmp / "card/d0/s0/a.jpg");
    EXPECT_EQ(serial[1].Dateiname, tmp / "card/d0/s0/b.jpg");
    EXPECT_EQ(serial[180].Dateiname, tmp / "card/zz/a1000.jpg");
    EXPECT_EQ(serial[780].Dateiname, tmp / "card/d0/s0/a.jpg");
    EXPECT_EQ(serial[870].Dateiname, tmp / "card/zz/a1000.jpg");
    EXPECT_EQ(serial[1470].Dateiname, tmp / "card/d0/s0/clip.avi");
    EXPECT_EQ(serial[1560].Dateiname, tmp / "card/d3/s0/a.jpg");
    for (const unsigned helpers : {1U, 3U}) {
        const FoundFiles parallel = CollectFoundFiles(options, patterns, {}, nullptr, helpers);
        ASSERT_EQ(parallel.size(), serial.size()) << helpers << " helpers";
        for (std::size_t i = 0; i < serial.size(); ++i) {
            EXPECT_EQ(parallel[i].Dateiname, serial[i].Dateiname) << i;
            EXPECT_EQ(parallel[i].Onlyname, serial[i].Onlyname) << i;
            EXPECT_EQ(parallel[i].Datum, serial[i].Datum) << i;
        }
    }
}

}  // namespace
}  // namespace quenby
