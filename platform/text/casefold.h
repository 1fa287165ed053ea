#pragma once

namespace quenby::platform {

// Simple (one-to-one) Unicode case folding: two characters that differ only in
// letter case fold to the same value. Characters without a case fold to
// themselves.
char32_t SimpleCaseFold(char32_t c);

}  // namespace quenby::platform
