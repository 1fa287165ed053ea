#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>

#include "platform/text/charset.h"

namespace quenby::platform {
namespace {

constexpr const char* kAscii = "ANSI_X3.4-1968";
constexpr const char* kUtf8 = "UTF-8";

// One conversion descriptor between UTF-8 and another set, closed when
// done. A set the C library does not know is taken as ASCII.
class Converter {
public:
    enum class Direction { FromUtf8, ToUtf8 };

    Converter(const std::string& charset, Direction direction) {
        m_cd = Open(charset.c_str(), direction);
        if (!Valid()) {
            m_cd = Open(kAscii, direction);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (Valid()) {
            ::iconv_close(m_cd);
        }
    }

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the errno that stopped it (0
    // when all input was taken).
    int Convert(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[4096];
        while (inLeft > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = ::iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            in = inPtr;
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                const int error = errno;
                ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
                return error;
            }
        }
        // Flush any shift state of stateful sets.
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        ::iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        return 0;
    }

private:
    static iconv_t Open(const char* charset, Direction direction) {
        return direction == Direction::FromUtf8 ? ::iconv_open(charset, kUtf8)
                                                : ::iconv_open(kUtf8, charset);
    }

    iconv_t m_cd;
};

// Length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const auto second = static_cast<unsigned char>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string LocaleCharset() {
    locale_t locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return kAscii;
    }
    const char* codeset = ::nl_langinfo_l(CODESET, locale);
    std::string result = codeset != nullptr && codeset[0] != '\0' ? codeset : kAscii;
    ::freelocale(locale);
    return result;
}

bool IsUtf8Charset(std::string_view charset) {
    std::string folded;
    for (const char c : charset) {
        if (c != '-' && c != '_') {
            folded.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
        }
    }
    return folded == "UTF8";
}

std::string DecodeCharset(std::string_view bytes, const std::string& charset) {
    if (IsUtf8Charset(charset)) {
        return std::string(bytes);
    }
    Converter converter(charset, Converter::Direction::ToUtf8);
    std::string out;
    if (!converter.Valid()) {
        return std::string(bytes);
    }
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        if (converter.Convert(in, inLeft, out) != 0 && inLeft > 0) {
            out.push_back(*in);
            ++in;
            --inLeft;
        }
    }
    return out;
}

std::string EncodeCharset(std::string_view text, const std::string& charset, bool& lossy) {
    lossy = false;
    if (IsUtf8Charset(charset)) {
        return std::string(text);
    }
    Converter converter(charset, Converter::Direction::FromUtf8);
    std::string out;
    if (!converter.Valid()) {
        return std::string(text);
    }
    // The set's own "?" (the same byte in every ASCII-based set).
    std::string replacement;
    const char* question = "?";
    std::size_t questionLeft = 1;
    if (converter.Convert(question, questionLeft, replacement) != 0 || replacement.empty()) {
        replacement.assign(1, '?');
    }
    const char* in = text.data();
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        if (converter.Convert(in, inLeft, out) == 0 || inLeft == 0) {
            continue;
        }
        const std::size_t length = Utf8SequenceLength(std::string_view(in, inLeft));
        if (length == 0) {
            out.push_back(*in);
            ++in;
            --inLeft;
        } else {
            out += replacement;
            lossy = true;
            in += length;
            inLeft -= length;
        }
    }
    return out;
}

}  // namespace quenby::platform
