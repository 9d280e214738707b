// The toolkit's side of the file journal (Z_OpenFileJournal): every
// operation that is about to change a file asks here first.
#pragma once

#include <string>

#include "toolkit_platform.h"

namespace zel::toolkit {

// Records, when a journal is open and this is the first change of path since
// it was opened, what the file was: its bytes, or that there was none.
// last says what the change works on: the file a link there names (Follow)
// or the name itself (Itself: a link there counts as no file, and is not
// put back). False, with the last error set naming operation, when that
// cannot be recorded; the change must then not be made.
bool JournalBeforeChange(const char* operation, const char* path, LastName last);

}  // namespace zel::toolkit
