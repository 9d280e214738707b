// The file journal's record on the disk, and the checks it must pass before
// anything it says is obeyed.
//
// JOURNAL is a text of lines, each ended by LF:
//   ZELJOURNAL 2 <volume> <index> <unrecorded> <crc>
//   C <sequence> <crc> <path>                                 no file was there
//   S <sequence> <copy> <length> <copycrc> <crc> <path>       SAVED.<copy> holds it
// The first line names the folder the journal belongs to (its identity) and
// the folder below it whose files are never recorded ("-" for none). Paths
// are relative to that folder, names joined by "/", never "." or "..".
// Sequences count from 1. Each line's crc is the CRC-32C of the crc before
// it (the header's, then each line's in turn) in hex, a blank and the line
// without its crc, so a line changed, lost from the middle or moved is
// found. A last line without its LF was cut short by a crash before its
// change was made, and is passed over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit_platform.h"

namespace zel::toolkit {

constexpr const char* kJournalFileName = "JOURNAL";
constexpr const char* kSavedCopyPrefix = "SAVED.";
// Far more than a run records (a line per file of the dictionary phase);
// a larger file is no journal this program wrote.
constexpr uint64_t kLargestJournal = 64ull << 20;

struct JournalEntry {
    bool saved = false;  // S: the file's bytes are in its copy; C: there was none
    uint64_t sequence = 0;
    uint64_t copy = 0;
    uint64_t length = 0;
    uint32_t copyCrc = 0;
    std::string path;  // relative, names joined by "/"
};

struct JournalContents {
    uint64_t volume = 0;  // identity of the folder the paths are relative to
    uint64_t index = 0;
    std::string unrecorded;  // relative, "" for none
    std::vector<JournalEntry> entries;
};

// The lines as the recorder writes them; chain carries the crc from one line
// to the next.
std::string JournalHeaderLine(uint64_t volume, uint64_t index, const std::string& unrecorded, uint32_t* chain);
std::string JournalEntryLine(const JournalEntry& entry, uint32_t* chain);

// Whether a relative path may stand in a journal: names joined by "/", each
// a plain name.
bool IsJournalPath(const std::string& relative);

enum class JournalCheck { Whole, Damaged, Unreadable };

// Reads and checks the journal in folder: every line, and with copies every
// saved copy (present, a file of its own, its length and checksum) and that
// no copy lies beyond the one a crash can leave before its line. A line
// naming a file beneath own (the journal's own folder, relative to the
// recorded folder; may be empty) is damage too. why says what is damaged;
// problem what failed when the file could not be read.
JournalCheck ReadJournal(const std::string& folder, const std::string& own, bool copies, JournalContents& contents,
                         std::string& why, Problem& problem);

std::string SavedCopyPath(const std::string& folder, uint64_t copy);

}  // namespace zel::toolkit
