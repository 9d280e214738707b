// The attributes a file the toolkit writes takes before it gets its final
// name, set on its descriptor by PlatformReplaceFile. No file the toolkit
// writes ever gets a set-user-ID, set-group-ID or sticky bit: a program
// running as root that copied one from a folder another account can write
// would hand that account the administrator's rights.
#pragma once

#include "toolkit_platform.h"

namespace zel::toolkit {

// A replacement keeps what the administrator set on the file it replaces
// (target followed by the link rule): its permission bits and its owner.
// False when nothing is at target: the new file keeps what it was made
// with.
bool ReplacementAttributes(const char* target, FileAttributes& attributes);

}  // namespace zel::toolkit
