#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace quenby::test {

// Sets (or, with nullopt, removes) an environment variable for the lifetime
// of the object and restores it afterwards.
class EnvGuard {
public:
    EnvGuard(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* previous = std::getenv(name)) {
            m_previous = previous;
        }
        Set(name, value ? value->c_str() : nullptr);
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() { Set(m_name.c_str(), m_previous ? m_previous->c_str() : nullptr); }

private:
    static void Set(const char* name, const char* value) {
#ifdef _WIN32
        // An empty value removes the variable there.
        ::_putenv_s(name, value != nullptr ? value : "");
#else
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
#endif
    }

    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace quenby::test
