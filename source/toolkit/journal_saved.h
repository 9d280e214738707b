// The SAVED files a journal names, checked before anything of it is obeyed.
#pragma once

#include <cstdint>
#include <string>

#include "journal_record.h"
#include "path_lexical.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

// The length and CRC-32C of a file's bytes.
bool FileChecksum(const std::string& path, LastName last, uint64_t* length, uint32_t* crc, Problem& problem);

// Whether name is a SAVED file's (SAVED.<number>), and its number.
bool ParseSavedName(const std::string& name, uint64_t* copy);

// Every S and M entry's SAVED file in folder, against the files beneath
// base:
// - a copy (S) is a file of its own (not a link, no other names) of the
//   length and checksum recorded;
// - a file moved aside (M) likewise, except that it may have one other
//   name among those the journal records (its recorded name until the new
//   file took it, or the name it was renamed to), and that it may be
//   missing where the recorded name holds exactly the recorded bytes: it was
//   never moved, or the undo moved it back;
// - no SAVED file lies beyond the one a crash can leave before its line.
// why says what is damaged; problem what failed when a file could not be
// read.
JournalCheck CheckSavedFiles(const std::string& folder, const LexicalPath& base, const JournalContents& contents,
                             std::string& why, Problem& problem);

// Whether the recorded name holds the file saved as SAVED.<copy> in folder:
// the file moved aside itself, or, with no SAVED file, the bytes its line
// names (checked before). Then there is nothing to put back.
bool SavedFileIsInPlace(const std::string& folder, const std::string& path, const JournalEntry& entry);

}  // namespace zel::toolkit
