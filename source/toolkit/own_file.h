// A file about to be changed in place must have no other name: the change
// would show under every name, some of them maybe outside the home, or in
// the file journal.
#pragma once

#include "toolkit_platform.h"

namespace zel::toolkit {

// When the file at path has more names than this one, it becomes a file of
// its own first: a copy that takes this name. False, with the last error set
// naming operation, when the copy cannot be made.
bool SeparateHardLinks(const char* operation, const char* path, LastName last);

}  // namespace zel::toolkit
