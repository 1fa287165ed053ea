// The layers of the source as the README's layout table lists them, lowest
// first: a file may include from its own folder or from one listed before
// it, never from one listed after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace quenby {
namespace {

namespace fs = std::filesystem;

// The folders of the table's rows, lowest layer first.
std::vector<std::string> LayersOfTheReadme(const fs::path& readme) {
    std::vector<std::string> layers;
    std::ifstream text(readme);
    const std::regex row(R"(^\| `([a-z]+)/` \|)");
    std::smatch match;
    for (std::string line; std::getline(text, line);) {
        if (std::regex_search(line, match, row)) {
            layers.push_back(match[1]);
        }
    }
    return layers;
}

TEST(LayersTest, NoFileIncludesFromALayerAboveItsOwn) {
    const fs::path source = QUENBY_SOURCE_DIR;
    const std::vector<std::string> layers = LayersOfTheReadme(source / "README.md");
    ASSERT_GE(layers.size(), 10U) << "the README's layout table was not found";
    std::map<std::string, std::size_t> rank;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        rank.emplace(layers[i], i);
    }
    const std::regex include(R"(^\s*#\s*include\s*"([a-z]+)/)");
    std::string upward;
    std::size_t files = 0;
    for (const std::string& layer : layers) {
        // The tests and tools stand above everything and use what they test.
        if (layer == "tests" || !fs::is_directory(source / layer)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source / layer)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
                continue;
            }
            ++files;
            std::ifstream text(entry.path());
            std::smatch match;
            for (std::string line; std::getline(text, line);) {
                if (!std::regex_search(line, match, include)) {
                    continue;
                }
                const auto target = rank.find(match[1]);
                if (target != rank.end() && target->second > rank.at(layer)) {
                    upward +=
                        "  " + fs::relative(entry.path(), source).string() + ": " + line + "\n";
                }
            }
        }
    }
    EXPECT_GT(files, 100U);
    EXPECT_TRUE(upward.empty()) << "includes from a layer above their own:\n" << upward;
}

}  // namespace
}  // namespace quenby
