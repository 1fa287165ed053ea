#include "platform/files/temporaryname.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace quenby::platform {
namespace {

// Short enough for one long-name entry on FAT (13 characters): a FUSE FAT
// driver loses longer names now and then, and letter case does not count
// there, hence base 36.
constexpr std::string_view kPrefix = ".q";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomDigits = 3;
constexpr std::size_t kMarkDigits = 4;
constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

void AppendDigits(std::string& text, std::uint64_t value, std::size_t digits) {
    for (std::size_t i = 0; i < digits; ++i) {
        text.push_back(kDigits[value % kDigits.size()]);
        value /= kDigits.size();
    }
}

// FNV-1a over the name's bytes: stable everywhere, which a leftover needs.
std::uint64_t NameMark(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string MarkText(std::string_view finalName) {
    std::string text;
    AppendDigits(text, NameMark(finalName), kMarkDigits);
    return text;
}

bool AllDigits(std::string_view text) {
    return text.find_first_not_of(kDigits) == std::string_view::npos;
}

}  // namespace

std::string TemporaryName(std::string_view finalName) {
    // Some C++ libraries give the same "random" device numbers in every
    // process, and Wine hands out small process ids again and again: the
    // clock and where this thread's stack lies mix in what they lack.
    thread_local std::mt19937_64 generator{[] {
        const int onTheStack = 0;
        std::seed_seq seed{
            std::random_device{}(), std::random_device{}(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
            static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&onTheStack) >> 4)};
        return std::mt19937_64(seed);
    }()};
    std::string name(kPrefix);
    AppendDigits(name, generator(), kRandomDigits);
    name += MarkText(finalName);
    name += kSuffix;
    return name;
}

bool IsTemporaryName(std::string_view name) {
    constexpr std::size_t kLength = kPrefix.size() + kRandomDigits + kMarkDigits + kSuffix.size();
    return name.size() == kLength && name.starts_with(kPrefix) && name.ends_with(kSuffix) &&
           AllDigits(name.substr(kPrefix.size(), kRandomDigits + kMarkDigits));
}

bool TemporaryNameFor(std::string_view temporary, std::string_view finalName) {
    return IsTemporaryName(temporary) &&
           temporary.substr(kPrefix.size() + kRandomDigits, kMarkDigits) == MarkText(finalName);
}

}  // namespace quenby::platform
