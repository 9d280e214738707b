#pragma once

#include <cstdint>

#include "zelkit.h"

// Brings dictionary file `index` (0 CONFIG.DIC ... 8 FORMAT.DIC) of the home
// directory to the current version title. True when the file is current
// afterwards, false on any failure. *updated (when given) is set when the
// file was changed, left alone when it was current already. A header the
// run's journal (when given) records is written in place.
bool UpdateDictFile(uint16_t index, const char* home, bool* updated = nullptr, HZJOURNAL journal = nullptr);

// Checks, reading only, that dictionary file `index` is one UpdateDictFile
// brings to the current title: a header whose title is one the upgrade
// knows, a length of exactly the header and the records it counts, and for
// VIEW.DIC records it can convert. False, with the last error naming the
// file and what is wrong, when it is not.
bool CheckDictFile(uint16_t index, const char* home);

// The dictionary file names, by index.
const char* DictFileName(uint16_t index);

// While journal records the home, records the headers of the files whose
// headers UpdateDictFile writes in place, all before the first is written,
// so that the journal reaches the disk once for all of them.
bool JournalDictFileHeaders(const char* home, HZJOURNAL journal);
