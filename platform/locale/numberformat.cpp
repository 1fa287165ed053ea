#include "platform/locale/numberformat.h"

namespace quenby::platform {

int CurrencyFormatFor(bool symbolPrecedes, bool spaceSeparated) {
    if (symbolPrecedes) {
        return spaceSeparated ? 2 : 0;
    }
    return spaceSeparated ? 3 : 1;
}

int NegativeCurrencyFormatFor(bool symbolPrecedes, bool spaceSeparated, int signPosition) {
    // Rows: sign position 0 (parentheses), 1 (before all), 2 (after all),
    // 3 (just before the symbol), 4 (just after the symbol).
    static constexpr int kPrecedes[5] = {0, 1, 3, 1, 2};          // ($1) -$1 $1- -$1 $-1
    static constexpr int kPrecedesSpace[5] = {14, 9, 11, 9, 12};  // ($ 1) -$ 1 $ 1- -$ 1 $ -1
    static constexpr int kFollows[5] = {4, 5, 7, 6, 7};           // (1$) -1$ 1$- 1-$ 1$-
    static constexpr int kFollowsSpace[5] = {15, 8, 10, 13, 10};  // (1 $) -1 $ 1 $- 1- $ 1 $-
    const int row = signPosition >= 0 && signPosition <= 4 ? signPosition : 1;
    if (symbolPrecedes) {
        return spaceSeparated ? kPrecedesSpace[row] : kPrecedes[row];
    }
    return spaceSeparated ? kFollowsSpace[row] : kFollows[row];
}

}  // namespace quenby::platform
