#include <algorithm>
#include <cstring>
#include <string_view>

#include "metadata/exifdate.h"
#include "metadata/formats.h"
#include "metadata/stamptext.h"

namespace quenby {
namespace {

// More boxes side by side than any real file has; a walk stops there.
constexpr int kMaxBoxes = 4096;
constexpr std::size_t kMaxStampLength = 64;
constexpr std::string_view kAppleCreationKey = "com.apple.quicktime.creationdate";
// The box in a CR3's movie header that holds Canon's metadata.
constexpr unsigned char kCanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                          0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};

struct Box {
    std::uint32_t Type = 0;
    std::uint64_t Body = 0;  // after the header
    std::uint64_t End = 0;
};

// The box at `at`, which must end by `limit`; empty when its header is
// broken or it claims more room than there is.
std::optional<Box> ReadBox(ByteWindow& bytes, std::uint64_t at, std::uint64_t limit) {
    if (at > limit || limit - at < 8) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> size = bytes.U32(at, ByteOrder::Big);
    const std::optional<std::uint32_t> type = bytes.U32(at + 4, ByteOrder::Big);
    if (!size || !type) {
        return std::nullopt;
    }
    std::uint64_t header = 8;
    std::uint64_t total = *size;
    if (*size == 1) {  // a 64-bit size follows
        const std::optional<std::uint64_t> large = bytes.U64(at + 8, ByteOrder::Big);
        if (!large) {
            return std::nullopt;
        }
        header = 16;
        total = *large;
    } else if (*size == 0) {  // up to the end
        total = limit - at;
    }
    if (total < header || total > limit - at) {
        return std::nullopt;
    }
    return Box{*type, at + header, at + total};
}

// Calls `visit` for each box in [from, to) until it returns true or the
// walk meets a broken box.
template <typename Visit>
void ForEachBox(ByteWindow& bytes, std::uint64_t from, std::uint64_t to, Visit visit) {
    for (int count = 0; count < kMaxBoxes; ++count) {
        const std::optional<Box> box = ReadBox(bytes, from, to);
        if (!box || visit(*box)) {
            return;
        }
        from = box->End;
    }
}

// An unsigned number of 0, 2, 4 or 8 bytes at `at`, which moves past it;
// `iloc` sizes its fields so.
bool ReadSized(ByteWindow& bytes, std::uint64_t& at, unsigned size, std::uint64_t& value) {
    value = 0;
    if (size == 2) {
        const auto v = bytes.U16(at, ByteOrder::Big);
        value = v.value_or(0);
        at += 2;
        return v.has_value();
    }
    if (size == 4) {
        const auto v = bytes.U32(at, ByteOrder::Big);
        value = v.value_or(0);
        at += 4;
        return v.has_value();
    }
    if (size == 8) {
        const auto v = bytes.U64(at, ByteOrder::Big);
        value = v.value_or(0);
        at += 8;
        return v.has_value();
    }
    return size == 0;
}

std::optional<std::uint8_t> Byte(ByteWindow& bytes, std::uint64_t at) {
    const std::byte* p = bytes.Get(at, 1);
    return p == nullptr ? std::nullopt : std::optional(std::to_integer<std::uint8_t>(*p));
}

struct Extent {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
};

// The first extent of item `id` according to an `iloc` box, as an offset in
// the file (`idat` holds the bytes of items built from it).
std::optional<Extent> LocateItem(ByteWindow& bytes, const Box& iloc, const std::optional<Box>& idat,
                                 std::uint32_t id) {
    const auto version = Byte(bytes, iloc.Body);
    const auto sizes = Byte(bytes, iloc.Body + 4);
    const auto moreSizes = Byte(bytes, iloc.Body + 5);
    if (!version || !sizes || !moreSizes || *version > 2) {
        return std::nullopt;
    }
    const unsigned offsetSize = *sizes >> 4;
    const unsigned lengthSize = *sizes & 15U;
    const unsigned baseSize = *moreSizes >> 4;
    const unsigned indexSize = *version == 0 ? 0 : *moreSizes & 15U;
    const unsigned idSize = *version < 2 ? 2 : 4;
    std::uint64_t at = iloc.Body + 6;
    std::uint64_t count = 0;
    if (!ReadSized(bytes, at, idSize, count)) {
        return std::nullopt;
    }
    for (std::uint64_t item = 0; item < count && at < iloc.End; ++item) {
        std::uint64_t itemId = 0;
        std::uint64_t method = 0;
        std::uint64_t unused = 0;
        std::uint64_t base = 0;
        std::uint64_t extents = 0;
        if (!ReadSized(bytes, at, idSize, itemId) ||
            !ReadSized(bytes, at, *version > 0 ? 2 : 0, method)) {
            return std::nullopt;
        }
        method &= 15U;
        at += 2;  // data reference index
        if (!ReadSized(bytes, at, baseSize, base) || !ReadSized(bytes, at, 2, extents)) {
            return std::nullopt;
        }
        if (indexSize + offsetSize + lengthSize == 0) {
            extents = std::min<std::uint64_t>(extents, 1);  // they take no room: all the same
        }
        for (std::uint64_t e = 0; e < extents && at < iloc.End; ++e) {
            std::uint64_t offset = 0;
            std::uint64_t length = 0;
            if (!ReadSized(bytes, at, indexSize, unused) ||
                !ReadSized(bytes, at, offsetSize, offset) ||
                !ReadSized(bytes, at, lengthSize, length)) {
                return std::nullopt;
            }
            if (itemId != id || e != 0) {
                continue;
            }
            std::uint64_t origin = 0;
            if (method == 1 && idat) {
                origin = idat->Body;
            } else if (method != 0) {
                return std::nullopt;
            }
            if (base > bytes.Size() || offset > bytes.Size() - base ||
                origin > bytes.Size() - base - offset) {
                return std::nullopt;
            }
            const std::uint64_t start = origin + base + offset;
            const std::uint64_t end = method == 1 ? idat->End : bytes.Size();
            if (start > end || length > end - start) {
                return std::nullopt;
            }
            return Extent{start, length == 0 ? end - start : length};  // 0: up to the end
        }
    }
    return std::nullopt;
}

// HEIF (HEIC): the item of type "Exif" found through the top-level `meta`.
std::optional<DateTimeValue> ReadHeifExif(ByteWindow& bytes, const Box& meta) {
    std::optional<Box> iinf;
    std::optional<Box> iloc;
    std::optional<Box> idat;
    ForEachBox(bytes, meta.Body + 4, meta.End, [&](const Box& box) {
        if (box.Type == FourCC("iinf")) {
            iinf = box;
        } else if (box.Type == FourCC("iloc")) {
            iloc = box;
        } else if (box.Type == FourCC("idat")) {
            idat = box;
        }
        return false;
    });
    if (!iinf || !iloc) {
        return std::nullopt;
    }
    const auto version = Byte(bytes, iinf->Body);
    if (!version) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> exifItem;
    ForEachBox(bytes, iinf->Body + (*version == 0 ? 6 : 8), iinf->End, [&](const Box& infe) {
        const auto infeVersion = Byte(bytes, infe.Body);
        if (infe.Type != FourCC("infe") || !infeVersion || *infeVersion < 2) {
            return false;
        }
        const bool wideId = *infeVersion > 2;
        const std::optional<std::uint32_t> id =
            wideId ? bytes.U32(infe.Body + 4, ByteOrder::Big)
                   : std::optional<std::uint32_t>(bytes.U16(infe.Body + 4, ByteOrder::Big));
        if (id && bytes.Is(infe.Body + (wideId ? 10 : 8), "Exif")) {
            exifItem = *id;
            return true;
        }
        return false;
    });
    if (!exifItem) {
        return std::nullopt;
    }
    const std::optional<Extent> exif = LocateItem(bytes, *iloc, idat, *exifItem);
    if (!exif || exif->Length < 4) {
        return std::nullopt;
    }
    // The item starts with the distance to the TIFF header ("Exif\0\0" is
    // usually in between).
    const std::optional<std::uint32_t> skip = bytes.U32(exif->Offset, ByteOrder::Big);
    if (!skip || *skip > exif->Length - 4) {
        return std::nullopt;
    }
    return ReadExifDate(bytes, exif->Offset + 4 + *skip, exif->Length - 4 - *skip);
}

// Apple's "com.apple.quicktime.creationdate" in the movie's `meta`: the
// wall-clock time where the video was taken, with its zone.
std::optional<DateTimeValue> ReadAppleCreationDate(ByteWindow& bytes, const Box& meta) {
    // QuickTime's `meta` has no version field; the ISO one has, and its
    // handler box always comes first.
    const std::uint64_t first = bytes.Is(meta.Body + 8, "hdlr") ? meta.Body + 4 : meta.Body;
    std::optional<std::uint32_t> keyIndex;
    ForEachBox(bytes, first, meta.End, [&](const Box& keys) {
        if (keys.Type != FourCC("keys")) {
            return false;
        }
        std::uint32_t index = 0;
        ForEachBox(bytes, keys.Body + 8, keys.End, [&](const Box& key) {
            ++index;
            const std::uint64_t length = key.End - key.Body;
            if (key.Type == FourCC("mdta") && length == kAppleCreationKey.size()) {
                const std::byte* name = bytes.Get(key.Body, kAppleCreationKey.size());
                if (name != nullptr &&
                    std::memcmp(name, kAppleCreationKey.data(), kAppleCreationKey.size()) == 0) {
                    keyIndex = index;
                    return true;
                }
            }
            return false;
        });
        return true;
    });
    if (!keyIndex) {
        return std::nullopt;
    }
    std::optional<DateTimeValue> date;
    ForEachBox(bytes, first, meta.End, [&](const Box& list) {
        if (list.Type != FourCC("ilst")) {
            return false;
        }
        ForEachBox(bytes, list.Body, list.End, [&](const Box& item) {
            if (item.Type != *keyIndex) {
                return false;
            }
            ForEachBox(bytes, item.Body, item.End, [&](const Box& data) {
                // Type and locale come first; the text is UTF-8.
                if (data.Type != FourCC("data") || data.End - data.Body <= 8) {
                    return false;
                }
                const std::size_t length = static_cast<std::size_t>(
                    std::min<std::uint64_t>(data.End - data.Body - 8, kMaxStampLength));
                const std::byte* text = bytes.Get(data.Body + 8, length);
                if (text != nullptr) {
                    const auto fields =
                        ParseStampText({reinterpret_cast<const char*>(text), length});
                    date = fields ? PlausibleStamp(*fields, kEarliestVideoYear) : std::nullopt;
                }
                return true;
            });
            return true;
        });
        return true;
    });
    return date;
}

struct MovieDates {
    std::optional<DateTimeValue> Exif;
    std::optional<DateTimeValue> Apple;
    std::optional<DateTimeValue> Header;
};

void ReadMovie(ByteWindow& bytes, const Box& moov, MovieDates& dates) {
    ForEachBox(bytes, moov.Body, moov.End, [&](const Box& box) {
        if (box.Type == FourCC("mvhd") && !dates.Header) {
            const auto version = Byte(bytes, box.Body);
            const std::optional<std::uint64_t> created =
                version && *version == 1
                    ? bytes.U64(box.Body + 4, ByteOrder::Big)
                    : std::optional<std::uint64_t>(bytes.U32(box.Body + 4, ByteOrder::Big));
            if (version && created) {
                dates.Header = LocalFromSeconds1904(*created);
            }
        } else if (box.Type == FourCC("meta") && !dates.Apple) {
            dates.Apple = ReadAppleCreationDate(bytes, box);
        } else if (box.Type == FourCC("uuid") && !dates.Exif) {
            const std::byte* uuid = bytes.Get(box.Body, sizeof kCanonUuid);
            if (uuid != nullptr && std::memcmp(uuid, kCanonUuid, sizeof kCanonUuid) == 0) {
                // CMT2 is the Exif IFD, CMT1 the main one: each a TIFF of its own.
                std::optional<DateTimeValue> main;
                ForEachBox(bytes, box.Body + sizeof kCanonUuid, box.End, [&](const Box& part) {
                    if (part.Type == FourCC("CMT2")) {
                        dates.Exif = ReadExifDate(bytes, part.Body, part.End - part.Body);
                    } else if (part.Type == FourCC("CMT1")) {
                        main = ReadExifDate(bytes, part.Body, part.End - part.Body);
                    }
                    return dates.Exif.has_value();
                });
                if (!dates.Exif) {
                    dates.Exif = main;
                }
            }
        }
        return false;
    });
}

}  // namespace

std::optional<DateTimeValue> ReadIsoMediaDate(ByteWindow& bytes) {
    MovieDates dates;
    ForEachBox(bytes, 0, bytes.Size(), [&](const Box& box) {
        if (box.Type == FourCC("meta") && !dates.Exif) {
            dates.Exif = ReadHeifExif(bytes, box);
        } else if (box.Type == FourCC("moov")) {
            ReadMovie(bytes, box, dates);
        }
        return dates.Exif.has_value();
    });
    if (dates.Exif) {
        return dates.Exif;
    }
    return dates.Apple ? dates.Apple : dates.Header;
}

}  // namespace quenby
