#include "journal_record.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "buffered_file.h"
#include "crc32c.h"
#include "env.h"
#include "journal_paths.h"
#include "path_lexical.h"

namespace zel::toolkit {
namespace {

constexpr const char* kMagic = "ZELJOURNAL 2";
constexpr size_t kLongestLine = 8192;
// The most a journal writes between two flushes of its lines (a change's
// lines and the pages they save): a cut can leave at most that much of its
// tail unwritten, read back as zeros.
constexpr uint64_t kLongestTornTail = 1ull << 20;

std::vector<std::string> Fields(const std::string& line, size_t count) {
    // The first count - 1 fields end at a blank; the last takes the rest (a
    // path may hold blanks).
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() + 1 < count) {
        const size_t blank = line.find(' ', start);
        if (blank == std::string::npos) return {};
        fields.push_back(line.substr(start, blank - start));
        start = blank + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool ParseNumber(const std::string& text, uint64_t* value) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    *value = result;
    return true;
}

bool Signed(uint32_t chain, const std::string& text, const std::string& crcText, uint32_t* next) {
    uint32_t crc = 0;
    if (!ParseHex(crcText, &crc) || Crc32c(HexOf(chain) + " " + text) != crc) return false;
    *next = crc;
    return true;
}

std::string LineName(size_t number) { return "line " + std::to_string(number); }

bool ParseHeader(const std::string& line, JournalContents& contents, uint32_t* chain) {
    const std::vector<std::string> fields = Fields(line, 6);
    if (fields.size() != 6 || fields[0] + " " + fields[1] != kMagic) return false;
    if (!ParseNumber(fields[2], &contents.volume) || !ParseNumber(fields[3], &contents.index)) return false;
    contents.unrecorded = fields[4] == "-" ? "" : fields[4];
    if (!contents.unrecorded.empty() && !IsJournalPath(contents.unrecorded)) return false;
    return Signed(0, line.substr(0, line.size() - fields[5].size() - 1), fields[5], chain);
}

// The fields of each kind between the sequence and the crc.
size_t NumberFields(EntryKind kind) {
    switch (kind) {
        case EntryKind::Created: return 0;
        case EntryKind::Copied:
        case EntryKind::MovedAside: return 3;
        case EntryKind::Page: return 4;
    }
    return 0;
}

bool KindOf(char letter, EntryKind* kind) {
    switch (letter) {
        case 'C': *kind = EntryKind::Created; return true;
        case 'S': *kind = EntryKind::Copied; return true;
        case 'M': *kind = EntryKind::MovedAside; return true;
        case 'P': *kind = EntryKind::Page; return true;
        default: return false;
    }
}

char LetterOf(EntryKind kind) {
    switch (kind) {
        case EntryKind::Created: return 'C';
        case EntryKind::Copied: return 'S';
        case EntryKind::MovedAside: return 'M';
        case EntryKind::Page: return 'P';
    }
    return '?';
}

// The text between the kind and the crc. Each number is appended on its
// own: GCC 12 at -O3 takes a literal joined to a temporary string for an
// overlapping copy.
std::string Numbers(const JournalEntry& entry) {
    std::string text = std::to_string(entry.sequence);
    const auto add = [&text](const std::string& number) {
        text += ' ';
        text += number;
    };
    switch (entry.kind) {
        case EntryKind::Created: break;
        case EntryKind::Copied:
        case EntryKind::MovedAside:
            add(std::to_string(entry.copy));
            add(std::to_string(entry.length));
            add(HexOf(entry.crc));
            break;
        case EntryKind::Page:
            add(std::to_string(entry.offset));
            add(std::to_string(entry.size));
            add(HexOf(entry.crc));
            add(std::to_string(entry.length));
            break;
    }
    return text;
}

bool ParseNumbers(const std::vector<std::string>& fields, JournalEntry& entry) {
    bool numbers = ParseNumber(fields[1], &entry.sequence);
    switch (entry.kind) {
        case EntryKind::Created: break;
        case EntryKind::Copied:
        case EntryKind::MovedAside:
            numbers = numbers && ParseNumber(fields[2], &entry.copy) && ParseNumber(fields[3], &entry.length) &&
                      ParseHex(fields[4], &entry.crc);
            break;
        case EntryKind::Page:
            numbers = numbers && ParseNumber(fields[2], &entry.offset) && ParseNumber(fields[3], &entry.size) &&
                      ParseHex(fields[4], &entry.crc) && ParseNumber(fields[5], &entry.length);
            break;
    }
    return numbers;
}

// An entry line's fields as written, its crc (crcText) not checked yet.
bool SplitEntry(const std::string& line, JournalEntry& entry, std::string& crcText, std::string& why) {
    why = "is not a journal line";
    if (line.size() < 2 || line[1] != ' ' || !KindOf(line[0], &entry.kind)) return false;
    const std::vector<std::string> fields = Fields(line, NumberFields(entry.kind) + 4);
    if (fields.empty()) return false;
    crcText = fields[fields.size() - 2];
    entry.path = fields.back();
    why = "fails its checksum";
    return ParseNumbers(fields, entry);
}

bool Verifies(const JournalEntry& entry, const std::string& crcText, uint32_t* chain) {
    return Signed(*chain, std::string(1, LetterOf(entry.kind)) + " " + Numbers(entry) + " " + entry.path, crcText,
                  chain);
}

// Unverified: the line's bytes are not those written whole (a crash may
// leave that at the end); Broken: they are, and say what no recorder writes.
enum class LineCheck { Verified, Unverified, Broken };

// One entry line; why says what is wrong with it.
LineCheck ParseEntry(const std::string& line, uint64_t expected, uint32_t* chain, JournalEntry& entry,
                     std::string& why) {
    std::string crc;
    if (!SplitEntry(line, entry, crc, why)) return LineCheck::Unverified;
    if (!Verifies(entry, crc, chain)) {
        why = "fails its checksum";
        return LineCheck::Unverified;
    }
    if (entry.sequence != expected) {
        why = "comes out of its place (number " + std::to_string(entry.sequence) + ", " + std::to_string(expected) +
              " expected)";
        return LineCheck::Broken;
    }
    if (!IsJournalPath(entry.path)) {
        why = "names a path that does not lie inside the home: " + entry.path;
        return LineCheck::Broken;
    }
    return LineCheck::Verified;
}

// A page lies on a page boundary of the file as it was, whole unless it is
// the file's last; a page of no bytes records the length alone.
bool PageFits(const JournalEntry& entry) {
    if (entry.size == 0) return entry.offset == 0;
    return entry.offset % kJournalPageSize == 0 && entry.size <= kJournalPageSize && entry.offset < entry.length &&
           entry.size == std::min(kJournalPageSize, entry.length - entry.offset);
}

// What the entries of one path may be: pages first, then at most one entry
// for the whole file; a C, S or M line is the path's last.
struct PathState {
    bool closed = false;
    uint64_t length = 0;
    uint64_t pages = 0;
};

bool FollowsRecord(const JournalEntry& entry, std::map<std::string, PathState>& paths, std::string& why) {
    PathState& state = paths[entry.path];
    if (state.closed) {
        why = "names a file the journal cannot have recorded: " + entry.path;
        return false;
    }
    if (entry.kind != EntryKind::Page) {
        state.closed = true;
        if (state.pages != 0 && entry.kind == EntryKind::Created) {
            why = "says there was no file where pages of one were saved: " + entry.path;
            return false;
        }
        return true;
    }
    if (!PageFits(entry) || (state.pages != 0 && entry.length != state.length) ||
        state.pages > entry.length / kJournalPageSize + 1) {
        why = "holds a page the file cannot have had: " + entry.path;
        return false;
    }
    state.length = entry.length;
    ++state.pages;
    return true;
}

// Whether the entry may follow those before it: a file the journal records,
// in the order a recorder writes, with a saved copy of its own.
bool MayFollow(const JournalEntry& entry, const std::string& unrecorded, const std::string& own,
               std::map<std::string, PathState>& paths, std::set<uint64_t>& copyNumbers, std::string& why) {
    if (LiesBeneath(entry.path, unrecorded) || LiesBeneath(entry.path, own)) {
        why = "names a file the journal cannot have recorded: " + entry.path;
        return false;
    }
    if (!FollowsRecord(entry, paths, why)) return false;
    const bool saved = entry.kind == EntryKind::Copied || entry.kind == EntryKind::MovedAside;
    if (saved && !copyNumbers.insert(entry.copy).second) {
        why = "names a file the journal cannot have recorded: " + entry.path;
        return false;
    }
    return true;
}

// JOURNAL read from its start through the table's open file, so that the
// fault and power layers see every read; the first failure ends the text
// and is kept.
class JournalText {
public:
    explicit JournalText(std::unique_ptr<File> file) : buffered_(std::move(file), BufferedFile::Use::Read) {}

    File& file() { return buffered_.file(); }
    const Status& failure() const { return failure_; }

    // The next byte, or -1 at the end or after a failure.
    int Next() { return failure_.ok() ? buffered_.NextByte(failure_) : -1; }
    size_t Read(void* bytes, size_t size) {
        if (!failure_.ok()) return 0;
        Result<size_t> count = buffered_.Read(bytes, size);
        if (count.ok()) return *count;
        failure_ = count.TakeStatus();
        return 0;
    }
    void Close() { (void)buffered_.Close(); }

private:
    BufferedFile buffered_;
    Status failure_;
};

enum class LineRead { Line, CutShort, TooLong, End };

bool AllZeros(const std::string& text) { return text.find_first_not_of('\0') == std::string::npos; }

// The first part of a torn tail: the sectors of a line that reached the
// disk, then zeros where its length went ahead of the rest of its bytes.
bool ZerosAfterItsStart(const std::string& text) {
    const size_t zero = text.find('\0');
    return zero != std::string::npos && text.find_first_not_of('\0', zero) == std::string::npos;
}

LineRead ReadLine(JournalText& file, std::string& line, uint64_t* consumed) {
    line.clear();
    for (int c; (c = file.Next()) >= 0;) {
        ++*consumed;
        if (c == '\n') return LineRead::Line;
        if (line.size() >= kLongestLine) return LineRead::TooLong;
        line += static_cast<char>(c);
    }
    return line.empty() ? LineRead::End : LineRead::CutShort;
}

// Whether a record after the line that failed (line, number) verifies: a
// whole line chained from the crc the line before it holds as written, in
// its place. The search steps over the page a P line names. Only what a
// crash cannot make counts: none found, the failed record was the last
// one written, cut by the crash. A search that cannot end within the
// bounds of a journal counts as found.
bool LaterRecordVerifies(JournalText& file, std::string line, size_t number, bool pageRead) {
    uint64_t text = 0;
    for (size_t at = number;; ++at) {
        JournalEntry entry;
        std::string crc;
        std::string ignored;
        uint32_t written = 0;
        const bool parsed = SplitEntry(line, entry, crc, ignored) && ParseHex(crc, &written);
        const bool skipPage = parsed && entry.kind == EntryKind::Page && !(at == number && pageRead);
        if (skipPage) {
            if (entry.size > kJournalPageSize) return true;
            char block[kJournalPageSize];
            if (file.Read(block, static_cast<size_t>(entry.size)) != entry.size) return false;
        }
        uint64_t consumed = 0;
        const LineRead read = ReadLine(file, line, &consumed);
        text += consumed;
        if (read == LineRead::End || read == LineRead::CutShort) return false;
        if (text > kLargestJournalText) return true;
        if (read == LineRead::TooLong) {
            line.clear();
            continue;
        }
        if (!parsed) continue;
        JournalEntry next;
        uint32_t chain = written;
        if (SplitEntry(line, next, crc, ignored) && Verifies(next, crc, &chain) && next.sequence == at) return true;
    }
}

// Reads a page's bytes and checks them; false when they are cut short by the
// end of the file, bad set when they fail their checksum.
bool ReadPage(JournalText& file, const JournalEntry& entry, uint64_t* consumed, bool* bad) {
    char block[kJournalPageSize];
    const size_t count = file.Read(block, static_cast<size_t>(entry.size));
    *consumed += count;
    if (count != entry.size) return false;
    *bad = Crc32c(0, block, count) != entry.crc;
    return true;
}

}  // namespace

std::string SavedCopyPath(const std::string& folder, uint64_t copy) {
    return JoinName(folder, kSavedCopyPrefix + std::to_string(copy));
}

std::string JournalFilePath(const std::string& folder) { return JoinName(folder, kJournalFileName); }

std::string JournalHeaderLine(uint64_t volume, uint64_t index, const std::string& unrecorded, uint32_t* chain) {
    const std::string text = std::string(kMagic) + " " + std::to_string(volume) + " " + std::to_string(index) + " " +
                             (unrecorded.empty() ? "-" : unrecorded);
    *chain = Crc32c(HexOf(0) + " " + text);
    return text + " " + HexOf(*chain) + "\n";
}

std::string JournalEntryLine(const JournalEntry& entry, uint32_t* chain) {
    const std::string head = std::string(1, LetterOf(entry.kind)) + " " + Numbers(entry);
    *chain = Crc32c(HexOf(*chain) + " " + head + " " + entry.path);
    return head + " " + HexOf(*chain) + " " + entry.path + "\n";
}

bool IsJournalPath(const std::string& relative) {
    if (relative.empty() || relative.size() > 4096) return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = relative.find('/', start);
        const std::string name = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!IsPlainName(name) || name.find('\n') != std::string::npos) return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

JournalCheck ReadJournal(const std::string& folder, const std::string& own, JournalContents& contents,
                         std::string& why, Problem& problem) {
    contents = JournalContents{};
    const std::string path = JournalFilePath(folder);
    FileFacts facts;
    if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) return JournalCheck::Unreadable;
    if (facts.kind != FileKind::Regular) {
        why = facts.kind == FileKind::Missing ? "it is missing" : "it is not a file";
        return JournalCheck::Damaged;
    }
    if (facts.size > kLargestJournal) {
        why = "it holds " + std::to_string(facts.size) + " bytes, more than any journal of a run";
        return JournalCheck::Damaged;
    }
    Result<std::unique_ptr<File>> opened = Files().Open(path, OpenOptions{OpenMode::Read, Last::Itself});
    if (!opened.ok()) {
        problem = ProblemOf(opened.status());
        return JournalCheck::Unreadable;
    }
    JournalText file(opened.TakeValue());
    // Its checksums prove a journal whole, not who wrote it: only one that
    // nobody else could have written or changed is obeyed.
    Result<Ownership> ownership = file.file().Owner();
    Ownership folderOwnership;
    if (!ownership.ok()) problem = ProblemOf(ownership.status());
    if (!ownership.ok() || !PlatformOwnership(folder.c_str(), LastName::Itself, folderOwnership, problem)) {
        file.Close();
        return JournalCheck::Unreadable;
    }
    if (!OwnFile(folderOwnership, problem) || !OwnFile(*ownership, problem)) {
        problem.text = (folderOwnership.refusal.empty() ? path : folder) + ": " + problem.text;
        file.Close();
        return JournalCheck::NotOwn;
    }
    std::string line;
    uint64_t consumed = 0;
    uint64_t text = 0;
    uint32_t chain = 0;
    std::map<std::string, PathState> paths;
    std::set<uint64_t> copyNumbers;
    JournalCheck result = JournalCheck::Whole;
    for (size_t number = 1;; ++number) {
        const uint64_t lineStart = consumed;
        const LineRead read = ReadLine(file, line, &consumed);
        // What follows the last line end is a line cut short: its change was
        // never made.
        if (read == LineRead::End || read == LineRead::CutShort) {
            if (number == 1) {
                why = "its first line is not a whole journal header";
                result = JournalCheck::Damaged;
            } else if (read == LineRead::CutShort) {
                contents.cutAt = number;
            }
            break;
        }
        text += consumed - lineStart;
        if (read == LineRead::TooLong) {
            // A tail whose length reached the disk before its bytes reads
            // as zeros to the end, and no line ends in it: a record cut by
            // the crash, whose change was never made. Its first sectors may
            // have reached the disk, so the line may start with its own
            // bytes. A line end after it is more than a cut can leave.
            LineRead rest = read;
            bool zeros = ZerosAfterItsStart(line);
            while (number > 1 && rest == LineRead::TooLong && zeros && consumed - lineStart <= kLongestTornTail) {
                rest = ReadLine(file, line, &consumed);
                zeros = AllZeros(line);
            }
            if (number > 1 && zeros && consumed - lineStart <= kLongestTornTail &&
                (rest == LineRead::End || rest == LineRead::CutShort)) {
                contents.cutAt = number;
                break;
            }
            why = LineName(number) + " is longer than any journal line";
            result = JournalCheck::Damaged;
            break;
        }
        if (text > kLargestJournalText) {
            why = "its lines hold more than any journal of a run";
            result = JournalCheck::Damaged;
            break;
        }
        if (number == 1) {
            if (!ParseHeader(line, contents, &chain)) {
                why = "its first line is not a whole journal header";
                result = JournalCheck::Damaged;
                break;
            }
            contents.headerCrc = chain;
            continue;
        }
        JournalEntry entry;
        std::string wrong;
        const LineCheck check = ParseEntry(line, number - 1, &chain, entry, wrong);
        if (check == LineCheck::Unverified && !LaterRecordVerifies(file, line, number, false)) {
            contents.cutAt = number;
            break;
        }
        if (check != LineCheck::Verified || !MayFollow(entry, contents.unrecorded, own, paths, copyNumbers, wrong)) {
            why = LineName(number) + " " + wrong;
            result = JournalCheck::Damaged;
            break;
        }
        if (entry.kind == EntryKind::Page) {
            entry.at = consumed;
            bool bad = false;
            // A page cut short by the end of the file: its change was never
            // made either.
            if (!ReadPage(file, entry, &consumed, &bad)) {
                contents.cutAt = number;
                break;
            }
            if (bad && !LaterRecordVerifies(file, line, number, true)) {
                contents.cutAt = number;
                break;
            }
            if (bad) {
                why = LineName(number) + ": the page saved after it fails its checksum";
                result = JournalCheck::Damaged;
                break;
            }
        }
        contents.entries.push_back(entry);
    }
    file.Close();
    if (!file.failure().ok()) {
        problem = ProblemOf(file.failure());
        return JournalCheck::Unreadable;
    }
    return result;
}

}  // namespace zel::toolkit
