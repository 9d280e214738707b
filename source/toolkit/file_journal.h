// The toolkit's side of the file journal (Z_OpenFileJournal): every
// operation that is about to change a file asks here first.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit_platform.h"

namespace zel::toolkit {

// How a file is about to change.
enum class JournalChange {
    Make,     // a new file is made under the name; what had it goes
    InPlace,  // the file is opened to be changed where it lies
    Replace,  // another file takes the name
    Remove,   // the name goes (deleted, or moved to another name)
    Ahead,    // one of those will come: recorded now, flushed before it
};

// Records, when a journal is open and this is the first change of path since
// it was opened, what the file was: that there was none, or the file itself
// (kept whole under a second name in the journal, or copied where the file
// system has no second names). A file opened to change in place is recorded
// page by page as it is written (JournalBeforeWrite). False, with the last
// error set naming operation, when that cannot be recorded; the change must
// then not be made. last says what the change works on: the file a link
// there names (Follow) or the name itself (Itself: a link there counts as
// no file, and is not put back).
bool JournalBeforeChange(const char* operation, const char* path, JournalChange change, LastName last);

// The key under which writes to path opened in place are recorded, or ""
// when the journal keeps nothing page by page for it.
std::string JournalPagesKey(const char* path);

// Before bytes [offset, offset + count) of the file opened in place under
// key are written, or before it is cut to size: the pages of the file as it
// was that the change reaches are saved, and reach the disk before the
// change does. False, with the last error set, when they cannot be.
bool JournalBeforeWrite(const char* operation, const std::string& key, int64_t offset, int64_t count);
bool JournalBeforeTruncate(const char* operation, const std::string& key, int64_t size);

// Bytes read from the file opened in place under key, at offset: a file
// read whole from its start and not written since, then kept whole when it
// loses its name, needs no second reading for its checksum.
void JournalAfterRead(const std::string& key, int64_t offset, const void* bytes, size_t count);

}  // namespace zel::toolkit
