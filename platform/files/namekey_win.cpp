#include "platform/files/namekey.h"
#include "platform/text/casefold.h"
#include "platform/text/utf8.h"

namespace quenby::platform {

std::string FolderNameKey(const std::string& name) {
    std::string key;
    for (const char32_t c : DecodeUtf8Lossless(name)) {
        key += EncodeUtf8(SimpleCaseFold(c));
    }
    return key;
}

}  // namespace quenby::platform
