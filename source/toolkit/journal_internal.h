// What the file journal's sources share: the recorder
// (journal_recorder.cpp), the undo (journal_undo.cpp) and the journal's end
// (file_journal.cpp).
#pragma once

#include <set>
#include <string>

#include "journal_record.h"
#include "path_lexical.h"

namespace zel::toolkit {

// A journal this process recorded and closed: the files it saw opened to be
// written, which the journal's flush sends to the disk. Every other file it
// recorded reached the disk as its change was made, or is gone.
struct ClosedJournal {
    std::string directory;
    std::set<std::string> written;
};
const ClosedJournal* ClosedJournalOf(const std::string& directory);
void ForgetClosedJournal();
bool JournalIsOpen();

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
bool RemoveLeftOvers(const char* operation, const std::string& directory);

}  // namespace zel::toolkit
