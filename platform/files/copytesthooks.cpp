#include "platform/files/copytesthooks.h"

#ifdef QUENBY_TEST_HOOKS

#include <mutex>

namespace quenby::platform::testhooks {
namespace {

struct Damage {
    std::mutex Mutex;
    std::string Name;
};

Damage& Asked() {
    static Damage damage;
    return damage;
}

}  // namespace

void DamageCopiesNamed(const std::string& name) {
    const std::lock_guard<std::mutex> lock(Asked().Mutex);
    Asked().Name = name;
}

bool DamageCopy(const std::string& finalName) {
    const std::lock_guard<std::mutex> lock(Asked().Mutex);
    return !Asked().Name.empty() && Asked().Name == finalName;
}

}  // namespace quenby::platform::testhooks

#endif
