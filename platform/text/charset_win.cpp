#include <windows.h>

#include "platform/text/charset.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

constexpr UINT kAsciiCodePage = 20127;

std::string Folded(std::string_view charset) {
    std::string folded;
    for (const char c : charset) {
        if (c != '-' && c != '_') {
            folded.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
        }
    }
    return folded;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The code page behind a set's name: "CP1252" as LocaleCharset gives it,
// and the usual names of the others; anything else is taken as ASCII.
UINT CodePageOf(std::string_view charset) {
    const std::string folded = Folded(charset);
    std::string_view number;
    if (folded.rfind("CP", 0) == 0) {
        number = std::string_view(folded).substr(2);
    } else if (folded.rfind("WINDOWS", 0) == 0) {
        number = std::string_view(folded).substr(7);
    }
    if (AllDigits(number) && number.size() <= 5) {
        const UINT page = static_cast<UINT>(std::stoul(std::string(number)));
        return ::IsValidCodePage(page) ? page : kAsciiCodePage;
    }
    if (folded == "ISO88591" || folded == "LATIN1") {
        return 28591;
    }
    if (folded == "ISO885915" || folded == "LATIN9") {
        return 28605;
    }
    return kAsciiCodePage;
}

}  // namespace

std::string LocaleCharset() {
    const UINT page = ::GetACP();
    return page == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(page);
}

bool IsUtf8Charset(std::string_view charset) {
    const std::string folded = Folded(charset);
    return folded == "UTF8" || folded == "CP65001";
}

std::string DecodeCharset(std::string_view bytes, const std::string& charset) {
    if (IsUtf8Charset(charset) || bytes.empty()) {
        return std::string(bytes);
    }
    const UINT page = CodePageOf(charset);
    std::string out;
    // Byte by byte where a byte has no character, so that it comes back out
    // unchanged; a whole run at a time where all is well.
    std::size_t start = 0;
    while (start < bytes.size()) {
        const int size = static_cast<int>(bytes.size() - start);
        const int length = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                                 size, nullptr, 0);
        if (length > 0) {
            std::wstring wide(static_cast<std::size_t>(length), L'\0');
            ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + start, size,
                                  wide.data(), length);
            return out + FromWide(wide);
        }
        // Find the longest prefix that decodes, then pass one byte through.
        std::size_t good = 0;
        for (std::size_t n = 1; start + n <= bytes.size(); ++n) {
            if (::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                      static_cast<int>(n), nullptr, 0) > 0) {
                good = n;
            }
        }
        if (good > 0) {
            std::wstring wide(good * 2, L'\0');
            const int got =
                ::MultiByteToWideChar(page, 0, bytes.data() + start, static_cast<int>(good),
                                      wide.data(), static_cast<int>(wide.size()));
            out += FromWide(std::wstring_view(wide.data(), static_cast<std::size_t>(got)));
            start += good;
        }
        if (start < bytes.size()) {
            out.push_back(bytes[start]);
            ++start;
        }
    }
    return out;
}

std::string EncodeCharset(std::string_view text, const std::string& charset, bool& lossy) {
    lossy = false;
    if (IsUtf8Charset(charset) || text.empty()) {
        return std::string(text);
    }
    const UINT page = CodePageOf(charset);
    const std::wstring wide = ToWide(text);
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    // No best fit: a "é" that quietly became "e" would name another folder.
    // What the page cannot hold becomes its own default character.
    const int length = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                             0, nullptr, &usedDefault);
    if (length <= 0) {
        lossy = true;
        return std::string(text.size(), '?');
    }
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), length,
                          nullptr, &usedDefault);
    lossy = usedDefault != FALSE;
    return out;
}

}  // namespace quenby::platform
