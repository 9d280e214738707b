// The toolkit's side of the file journal (Z_OpenFileJournal): every
// operation that is about to change a file asks here first.
#pragma once

#include <string>

namespace zel::toolkit {

// Records, when a journal is open and this is the first change of path since
// it was opened, what the file was: its bytes, or that there was none.
// False, with the last error set naming operation, when that cannot be
// recorded; the change must then not be made.
bool JournalBeforeChange(const char* operation, const char* path);

}  // namespace zel::toolkit
