// The file journal's record on the disk, and the checks it must pass before
// anything it says is obeyed.
//
// JOURNAL is a text of lines, each ended by LF; a P line is followed by the
// bytes of its page:
//   ZELJOURNAL 2 <volume> <index> <unrecorded> <crc>
//   C <sequence> <crc> <path>                                 no file was there
//   S <sequence> <copy> <length> <copycrc> <crc> <path>       SAVED.<copy> is a copy of it
//   M <sequence> <copy> <length> <copycrc> <crc> <path>       SAVED.<copy> is the file itself,
//                                                             moved aside as it lost its name
//   P <sequence> <offset> <size> <pagecrc> <length> <crc> <path>
//                                                             size bytes of the file as they were
//                                                             at offset, before the first change
//                                                             in place; length: its length then
// The first line names the folder the journal belongs to (its identity) and
// the folder below it whose files are never recorded ("-" for none). Paths
// are relative to that folder, names joined by "/", never "." or "..".
// Sequences count from 1. Each line's crc is the CRC-32C of the crc before
// it (the header's, then each line's in turn) in hex, a blank and the line
// without its crc, so a line changed, lost from the middle or moved is
// found; a page's bytes have their own crc in its line. A last record cut
// short (a line without its LF, a page without all its bytes) or failing its
// checks (bytes that reached the disk in part, or not at all, though the
// file's length did) with no record after it that verifies was cut by a
// crash before the change it prepared was made, and is passed over; a
// record that verifies after one that does not is damage, which no crash
// makes.
//
// Pages are 4 KiB, at offsets that are multiples of it (the last one of a
// file shorter); a P line of size 0 (offset 0) records only the length, for
// a file that grows without a byte of it changing. A path's P lines may be
// followed by one S or M line: the file changed in place was then replaced
// or removed, and is put back whole before its pages are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit_platform.h"

namespace zel::toolkit {

constexpr const char* kJournalFileName = "JOURNAL";
constexpr const char* kSavedCopyPrefix = "SAVED.";
constexpr uint64_t kJournalPageSize = 4096;
// Far more than a run records (a line per file of the dictionary phase, and
// per page changed in place); a larger file is no journal this program wrote.
constexpr uint64_t kLargestJournalText = 64ull << 20;
constexpr uint64_t kLargestJournal = 64ull << 30;

enum class EntryKind {
    Created,     // C
    Copied,      // S
    MovedAside,  // M
    Page,        // P
};

struct JournalEntry {
    EntryKind kind = EntryKind::Created;
    uint64_t sequence = 0;
    uint64_t copy = 0;     // S, M: the number of its SAVED file
    uint64_t length = 0;   // S, M: the file's bytes; P: the file's length before its first change
    uint32_t crc = 0;      // S, M: of the file's bytes; P: of the page's
    uint64_t offset = 0;   // P
    uint64_t size = 0;     // P: the page's bytes, which follow its line
    uint64_t at = 0;       // P, as read: where the page's bytes start in JOURNAL
    std::string path;      // relative, names joined by "/"
};

struct JournalContents {
    uint64_t volume = 0;  // identity of the folder the paths are relative to
    uint64_t index = 0;
    std::string unrecorded;  // relative, "" for none
    uint32_t headerCrc = 0;
    std::vector<JournalEntry> entries;
    // The line whose record a crash cut (no LF, a page cut short, or bytes
    // that fail their checks with nothing verifying after them); the
    // journal ends before it. 0: none.
    size_t cutAt = 0;
};

// The lines as the recorder writes them; chain carries the crc from one line
// to the next. A page's bytes follow its line.
std::string JournalHeaderLine(uint64_t volume, uint64_t index, const std::string& unrecorded, uint32_t* chain);
std::string JournalEntryLine(const JournalEntry& entry, uint32_t* chain);

// Whether a relative path may stand in a journal: names joined by "/", each
// a plain name.
bool IsJournalPath(const std::string& relative);

// NotOwn: the journal, its folder or a copy it saved is not the program's
// own (another account made it or may change it); the problem says which
// and why.
enum class JournalCheck { Whole, Damaged, Unreadable, NotOwn };

// Reads and checks JOURNAL in folder: every line and every page. A line
// naming a file beneath own (the journal's own folder, relative to the
// recorded folder; may be empty) is damage too. The SAVED files are checked
// apart (journal_saved.h). why says what is damaged; problem what failed
// when the file could not be read.
JournalCheck ReadJournal(const std::string& folder, const std::string& own, JournalContents& contents,
                         std::string& why, Problem& problem);

std::string SavedCopyPath(const std::string& folder, uint64_t copy);
std::string JournalFilePath(const std::string& folder);

}  // namespace zel::toolkit
