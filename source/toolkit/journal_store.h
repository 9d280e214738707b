// A journal's files as they lie on the disk, whoever recorded them: what the
// recorder (journal_recorder.cpp), the journal's end (file_journal.cpp) and
// the undo (journal_undo.cpp) share. It knows no journal that records.
#pragma once

#include <string>

#include "journal_record.h"
#include "path_lexical.h"

namespace zel::toolkit {

// The names JOURNAL is set aside under when the journal goes, and written
// under before it takes its name.
constexpr const char* kJournalGoneSuffix = ".GONE";
constexpr const char* kJournalWorkSuffix = ".NEW";

// The folder a journal's paths are relative to; false with the last error
// set when baseDir is empty or the current directory cannot be read.
bool JournalBase(const char* operation, const char* baseDir, LexicalPath& base);

// Reads and checks a journal, with saved its SAVED files and the places it
// names as the undo will find them; false with the last error set when it
// is damaged or cannot be read.
bool LoadJournal(const char* operation, const std::string& journalDir, const LexicalPath& base, bool saved,
                 JournalContents& contents);

// Removes, as names, what a journal's folder holds once JOURNAL has gone:
// its SAVED files, JOURNAL.GONE and JOURNAL.NEW.
// keepGone: JOURNAL.GONE stays, as the proof that the journal just set
// aside there ended.
bool RemoveLeftOvers(const char* operation, const std::string& directory, bool keepGone = false);

}  // namespace zel::toolkit
