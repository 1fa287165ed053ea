#pragma once

#include <functional>

namespace quenby::test {

// Runs `body` in a forked child and returns its result (or 128 + signal).
// With `asOrdinaryUser` a child running as root first becomes "nobody", so
// that permission bits bind it as they bind a user: root reads any folder.
int RunInChild(const std::function<int()>& body, bool asOrdinaryUser = false);

// The user id the ordinary-user child runs as.
inline constexpr unsigned kNobodyId = 65534;

}  // namespace quenby::test
