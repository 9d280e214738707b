#pragma once

#include <cstdint>

// Brings dictionary file `index` (0 CONFIG.DIC ... 8 FORMAT.DIC) of the home
// directory to the current version title. True when the file is current
// afterwards, false on any failure. *updated (when given) is set when the
// file was changed, left alone when it was current already.
bool UpdateDictFile(uint16_t index, const char* home, bool* updated = nullptr);

// The dictionary file names, by index.
const char* DictFileName(uint16_t index);

// While a file journal records the home, records the headers of the files
// whose headers UpdateDictFile writes in place, all before the first is
// written, so that the journal reaches the disk once for all of them.
bool JournalDictFileHeaders(const char* home);
