// What the shell stand-in offers besides the operations the upgrade calls:
// its error codes and text limits, for zelhome to report on a description,
// the record counter the kernel supplies, and ids chosen by a home
// description.
#pragma once

#include <cstdint>

namespace zel::shell {

// Error codes of the shell's own failures (failed file operations keep the
// toolkit's code).
constexpr uint32_t SHELL_ERROR_NOT_OPEN = 2001;       // no dictionary open, or already open
constexpr uint32_t SHELL_ERROR_NOT_FOUND = 2002;      // no such database, column or format
constexpr uint32_t SHELL_ERROR_NAME_TAKEN = 2003;     // the name is used already
constexpr uint32_t SHELL_ERROR_BAD_RECORD = 2004;     // a record or argument the shell refuses
constexpr uint32_t SHELL_ERROR_TEXT_TOO_LONG = 2005;  // a text does not fit its stored field
constexpr uint32_t SHELL_ERROR_BAD_FILE = 2006;       // a dictionary file the shell cannot read
constexpr uint32_t SHELL_ERROR_NO_ID = 2007;          // every id is used up
constexpr uint32_t SHELL_ERROR_NO_MEMORY = 2008;

// Room for the texts of stored records, terminator included.
constexpr uint32_t NAME_FIELD = 64;
constexpr uint32_t PATH_FIELD = 260;
constexpr uint32_t DESCRIPTION_FIELD = 256;
// Charset entries the configuration record can hold.
constexpr uint32_t MAX_CHARSET_ENTRIES = 16;

// The next NewDatabaseInfo hands out id (when no higher id was handed out
// before); ids below stay unused forever. Returns false (error set) when no
// dictionary is open or the counter cannot be written.
bool RaiseNextDatabaseId(uint32_t id);

// How many records the kernel holds for database `id`; false when it cannot
// tell. UpdateBaseRecordNum with a record count of 0 ("count them") stores
// what it reports, since callers pass 0 after adding entries whose number
// they do not know. The shell cannot reach the kernel itself (the kernel
// asks the shell where each database lives), so whoever puts the two
// together hands it over; null removes it.
using RecordCounter = bool (*)(uint32_t id, uint64_t* records);
void SetRecordCounter(RecordCounter counter);

}  // namespace zel::shell
