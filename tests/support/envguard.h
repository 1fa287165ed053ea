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
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() {
        if (m_previous) {
            ::setenv(m_name.c_str(), m_previous->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
    }

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace quenby::test
