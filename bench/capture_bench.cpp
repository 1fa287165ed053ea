// Times collecting a tree's photos as a run does (on its helper threads), by
// last-write time and by capture date, in turns on a warm cache, and prints
// the medians and their ratio.
// Usage: quenby_capture_bench FOLDER [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/parallel.h"
#include "sorting/collect.h"
#include "sorting/sortrun.h"

namespace {

double CollectSeconds(const std::string& folder, quenby::DateSource source,
                      quenby::FoundFiles& found) {
    quenby::SortOptions options;
    options.SourceFolders = {folder};
    options.DateFrom = source;
    // As a run collects: the files' dates read on its helper threads.
    const auto start = std::chrono::steady_clock::now();
    found =
        quenby::CollectFoundFiles(options, {"*.jpg"}, {}, nullptr, quenby::DefaultHelperThreads());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [ROUNDS]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    quenby::FoundFiles byFileTime;
    quenby::FoundFiles byCapture;
    // One round of each first, so both run on a warm cache.
    CollectSeconds(folder, quenby::DateSource::LastWriteTime, byFileTime);
    CollectSeconds(folder, quenby::DateSource::CaptureDate, byCapture);
    std::vector<double> fileTimes;
    std::vector<double> captureTimes;
    for (int round = 0; round < rounds; ++round) {
        fileTimes.push_back(CollectSeconds(folder, quenby::DateSource::LastWriteTime, byFileTime));
        captureTimes.push_back(CollectSeconds(folder, quenby::DateSource::CaptureDate, byCapture));
    }
    std::size_t moved = 0;
    for (std::size_t i = 0; i < byCapture.size() && i < byFileTime.size(); ++i) {
        moved += static_cast<std::size_t>(static_cast<long long>(byCapture[i].Datum) !=
                                          static_cast<long long>(byFileTime[i].Datum));
    }
    const double file = Median(fileTimes);
    const double capture = Median(captureTimes);
    std::printf(
        "collect %zu photos: by file time %.4f s (%.2f us/file), by capture date %.4f s "
        "(%.2f us/file), ratio %.2f, limit 3; %zu files on another day by capture date\n",
        byFileTime.size(), file, file * 1e6 / static_cast<double>(byFileTime.size()), capture,
        capture * 1e6 / static_cast<double>(byCapture.size()), capture / file, moved);
    return 0;
}
