#pragma once

#include "settings/inifile.h"
#include "sorting/sortrun.h"

namespace quenby {

// Takes what a run reads from the main window's stored controls (mask,
// target, layout, separator, prefix, suffix and the check boxes) into
// `options`; what the file lacks, or holds out of range, leaves `options`
// as it was. The source folders have their own section.
void ReadRunSettings(const TMemIniFile& ini, SortOptions& options);

}  // namespace quenby
