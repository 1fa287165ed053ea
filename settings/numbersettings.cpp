#include "settings/numbersettings.h"

namespace quenby {

platform::NumberFormat& NumberSettings() {
    static platform::NumberFormat settings = platform::ReadNumberFormat();
    return settings;
}

void ResetNumberSettings() {
    NumberSettings() = platform::ReadNumberFormat();
}

}  // namespace quenby
