#pragma once

#include "platform/locale/numberformat.h"

namespace quenby {

// The process-wide number settings (decimal and thousands separator,
// currency symbol and patterns), taken from the user's locale on first use.
platform::NumberFormat& NumberSettings();

// Back to the user's regional values; for tests and a fresh start.
void ResetNumberSettings();

}  // namespace quenby
