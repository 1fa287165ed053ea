#include "platform/files/filecompare.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include "platform/files/filerange.h"

namespace quenby::platform {
namespace {

FileComparison Unreadable(const std::string& path) {
    return {Likeness::Unknown, path + " cannot be read"};
}

}  // namespace

FileComparison CompareContents(const std::string& first, const std::string& second) {
    const std::optional<FileRange> a = FileRange::Open(first);
    if (!a || !a->Size()) {
        return Unreadable(first);
    }
    const std::optional<FileRange> b = FileRange::Open(second);
    if (!b || !b->Size()) {
        return Unreadable(second);
    }
    const std::uint64_t size = *a->Size();
    if (size != *b->Size()) {
        return {Likeness::Different, {}};
    }
    constexpr std::size_t kChunk = 256 * 1024;
    const auto chunks = std::make_unique<std::array<std::byte, 2 * kChunk>>();
    const std::span<std::byte> fromFirst(chunks->data(), kChunk);
    const std::span<std::byte> fromSecond(chunks->data() + kChunk, kChunk);
    for (std::uint64_t offset = 0; offset < size;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, kChunk));
        if (a->Read(offset, fromFirst.first(want)) != want) {
            return Unreadable(first);
        }
        if (b->Read(offset, fromSecond.first(want)) != want) {
            return Unreadable(second);
        }
        if (!std::equal(fromFirst.begin(), fromFirst.begin() + static_cast<std::ptrdiff_t>(want),
                        fromSecond.begin())) {
            return {Likeness::Different, {}};
        }
        offset += want;
    }
    return {Likeness::Same, {}};
}

}  // namespace quenby::platform
