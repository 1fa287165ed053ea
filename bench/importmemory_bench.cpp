// Records a million imported photos into a fresh memory in batches, as runs
// commit them, and prints the memory's size on the disk and what 20,000
// look-ups cost (a second run over a card of 20,000 photos): of photos it
// holds, and of photos it does not.
// Usage: quenby_importmemory_bench WORK_FOLDER [PHOTOS] [BATCH]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "sorting/importmemory.h"

namespace {

// 2014-01-01 00:00 UTC in 100-ns intervals since 1601.
constexpr std::uint64_t kJanuary2014 = 130330080000000000;
constexpr std::uint64_t kSecond = 10'000'000;
constexpr int kLookups = 20'000;

struct Photo {
    std::string Name;
    std::uint64_t Size;
    std::uint64_t LastWriteTime;
    std::string Copy;
};

// Photo number `n` as cameras name them: the counter wraps at 9999, one
// folder per thousand, a few MB each, a shot every half minute.
Photo PhotoNumber(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", n % 10000);
    const std::uint64_t time = kJanuary2014 + static_cast<std::uint64_t>(n) * 30 * kSecond;
    char copy[64];
    std::snprintf(copy, sizeof copy, "Day %04d/%s", n / 2880, name);
    return {name, 2'000'000 + static_cast<std::uint64_t>(n) * 7919 % 6'000'000, time, copy};
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::uint64_t SizeOf(const std::string& path) {
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(path, ignored);
    return ignored ? 0 : size;
}

// The median of five rounds of 20,000 look-ups, the first of them in
// `first`; `hits` counts those found.
double LookupSeconds(double& first, quenby::ImportMemory& memory, const std::string& target,
                     const std::vector<Photo>& photos, int& hits) {
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round) {
        hits = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const Photo& photo : photos) {
            hits += memory.ImportedCopy(target, photo.Name, photo.Size, photo.LastWriteTime)
                        .has_value();
        }
        rounds.push_back(Seconds(start));
    }
    first = rounds.front();
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORK_FOLDER [PHOTOS] [BATCH]\n", argv[0]);
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/importmemory-bench/imported.sqlite";
    const int count = argc > 2 ? std::max(kLookups, std::atoi(argv[2])) : 1'000'000;
    const int batch = argc > 3 ? std::max(1, std::atoi(argv[3])) : 100;
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
    const std::string target = "/home/user/Pictures/Library";

    double recording = 0;
    double firstHits = 0;
    double firstMisses = 0;
    double hits = 0;
    double misses = 0;
    int found = 0;
    int strays = 0;
    try {
        {
            quenby::ImportMemory memory = quenby::ImportMemory::Open(path);
            const auto start = std::chrono::steady_clock::now();
            for (int n = 0; n < count; ++n) {
                const Photo photo = PhotoNumber(n);
                memory.Record(target, photo.Name, photo.Size, photo.LastWriteTime, photo.Copy);
                if (memory.Queued() == static_cast<std::size_t>(batch)) {
                    memory.Commit();
                }
            }
            memory.Commit();
            recording = Seconds(start);
        }
        // A card of 20,000 photos from all over the memory, and one of
        // 20,000 it has never seen (each taken a second later), looked up as
        // the next run does: through a connection of its own.
        std::mt19937 random(2014);
        std::uniform_int_distribution<int> any(0, count - 1);
        std::vector<Photo> known;
        std::vector<Photo> unknown;
        for (int i = 0; i < kLookups; ++i) {
            known.push_back(PhotoNumber(any(random)));
            unknown.push_back(known.back());
            unknown.back().LastWriteTime += kSecond;
        }
        quenby::ImportMemory memory = quenby::ImportMemory::Open(path);
        hits = LookupSeconds(firstHits, memory, target, known, found);
        misses = LookupSeconds(firstMisses, memory, target, unknown, strays);
    } catch (const quenby::ImportMemoryError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    // Measured closed, as it stays between runs: the log is folded in then.
    const double megabytes = static_cast<double>(SizeOf(path)) / (1024.0 * 1024.0);
    std::printf(
        "%d photos recorded in batches of %d: %.2f s (%.1f us/photo), memory %.1f MB\n"
        "20,000 look-ups of photos it holds: %.4f s (first round %.4f s, %d found); of photos it "
        "does not: %.4f s (first round %.4f s, %d found); limit 0.2 s\n",
        count, batch, recording, recording * 1e6 / count, megabytes, hits, firstHits, found, misses,
        firstMisses, strays);
    const double slowest = std::max({hits, misses, firstHits, firstMisses});
    return found == kLookups && strays == 0 && slowest < 0.2 ? 0 : 1;
}
