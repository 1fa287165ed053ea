#pragma once

#include <string>

namespace quenby::platform {

// The form under which a folder tells a file name apart from the others.
// Windows ignores letter case, so there "IMG_1.JPG" already exists when
// "img_1.jpg" does; elsewhere a name is its bytes.
std::string FolderNameKey(const std::string& name);

}  // namespace quenby::platform
