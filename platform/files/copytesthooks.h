#pragma once

// Faults that no real file system makes on demand, for the tests to show
// what the copy does about them. Compiled only into builds made with
// QUENBY_TEST_HOOKS, which a release build never sets.
#ifdef QUENBY_TEST_HOOKS

#include <string>

namespace quenby::platform::testhooks {

// From now on every copy whose final name is `name` gets one byte changed on
// the disk right after it was flushed, as a failing drive or cable would do
// it; an empty name ends that.
void DamageCopiesNamed(const std::string& name);

// Whether the copy of that final name is to be damaged.
bool DamageCopy(const std::string& finalName);

}  // namespace quenby::platform::testhooks

#endif
