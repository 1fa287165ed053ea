#include "settings/textencoding.h"

#include "platform/text/utf8.h"

namespace quenby {
namespace {

void PutUnit(std::string& out, char32_t unit, bool bigEndian) {
    const char high = static_cast<char>((unit >> 8) & 0xFF);
    const char low = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out.push_back(high);
        out.push_back(low);
    } else {
        out.push_back(low);
        out.push_back(high);
    }
}

}  // namespace

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? static_cast<char32_t>(first << 8 | second)
                         : static_cast<char32_t>(second << 8 | first);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                out += platform::EncodeUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xDC80 && unit <= 0xDCFF) {
            out.push_back(static_cast<char>(unit - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += platform::EncodeUtf8(0xFFFD);
        } else {
            out += platform::EncodeUtf8(unit);
        }
    }
    return out;
}

std::string EncodeUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    // DecodeUtf8Lossless already turns a stray byte into U+DC00 + byte.
    for (const char32_t c : platform::DecodeUtf8Lossless(text)) {
        if (c >= 0x10000) {
            const char32_t value = c - 0x10000;
            PutUnit(out, 0xD800 + (value >> 10), bigEndian);
            PutUnit(out, 0xDC00 + (value & 0x3FF), bigEndian);
        } else {
            PutUnit(out, c, bigEndian);
        }
    }
    return out;
}

}  // namespace quenby
