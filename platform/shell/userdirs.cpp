#include "platform/shell/shellfolders.h"

namespace quenby::platform {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The value is a shell string in double quotes; only "\" escapes need undoing.
bool Unquote(std::string_view value, std::string& out) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return false;
    }
    value = value.substr(1, value.size() - 2);
    out.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        out.push_back(value[i]);
    }
    return true;
}

}  // namespace

std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home) {
    std::map<std::string, std::string> result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string name(Trim(line.substr(0, equals)));
        std::string value;
        if (name.empty() || !Unquote(Trim(line.substr(equals + 1)), value)) {
            continue;
        }
        constexpr std::string_view kHome = "$HOME";
        if (value.compare(0, kHome.size(), kHome) == 0 &&
            (value.size() == kHome.size() || value[kHome.size()] == '/')) {
            if (home.empty()) {
                continue;
            }
            value = home + value.substr(kHome.size());
        } else if (value.empty() || value.front() != '/') {
            continue;
        }
        while (value.size() > 1 && value.back() == '/') {
            value.pop_back();
        }
        result[name] = value;
    }
    return result;
}

}  // namespace quenby::platform
