#include "journal_record.h"

#include <cstdio>
#include <set>

#include "crc32c.h"
#include "path_lexical.h"
#include "path_text.h"

namespace zel::toolkit {
namespace {

constexpr const char* kMagic = "ZELJOURNAL 2";
constexpr size_t kLongestLine = 8192;

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && EndsWithPathSeparator(folder)) return folder + name;
    return folder + Z_PATH_SEPARATOR + name;
}

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

// The copy is whole: a file of its own, of the length and checksum recorded.
bool CheckCopy(const std::string& folder, const JournalEntry& entry, std::string& why, Problem& problem) {
    const std::string name = kSavedCopyPrefix + std::to_string(entry.copy);
    const std::string path = InFolder(folder, name);
    FileFacts facts;
    if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) return false;
    if (facts.kind != FileKind::Regular) {
        why = name + (facts.kind == FileKind::Missing ? " is missing" : " is not a file");
        return false;
    }
    if (facts.links != 1) {
        why = name + " has other names (hard links) besides its own";
        return false;
    }
    if (facts.size != entry.length) {
        why = name + " holds " + std::to_string(facts.size) + " bytes, the journal says " +
              std::to_string(entry.length);
        return false;
    }
    std::FILE* copy = PlatformOpenStream(path.c_str(), StreamMode::Read, LastName::Itself, problem);
    if (copy == nullptr) return false;
    uint32_t crc = 0;
    char block[65536];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, copy)) > 0) crc = Crc32c(crc, block, count);
    const bool read = std::ferror(copy) == 0;
    std::fclose(copy);
    if (!read) {
        problem = Problem{Z_ERROR_IO, "cannot read " + name};
        return false;
    }
    if (crc != entry.copyCrc) {
        why = name + " fails its checksum";
        return false;
    }
    return true;
}

// Copies are numbered one after another, each made before the line that
// names it, so a crash leaves at most one copy that no line names. A copy
// beyond that one means that lines were lost from the journal's end: files
// were changed that the journal no longer names, and an undo would leave
// them changed.
bool CheckNoLinesLost(const std::string& folder, uint64_t lastCopy, std::string& why, Problem& problem) {
    std::vector<DirectoryEntry> entries;
    if (!PlatformListDirectory(folder.c_str(), entries, problem)) return false;
    const std::string prefix = kSavedCopyPrefix;
    uint64_t beyond = 0;
    for (const DirectoryEntry& entry : entries) {
        uint64_t copy = 0;
        if (entry.name.compare(0, prefix.size(), prefix) != 0 ||
            !ParseNumber(entry.name.substr(prefix.size()), &copy) || copy <= lastCopy + 1) {
            continue;
        }
        if (beyond == 0 || copy < beyond) beyond = copy;
    }
    if (beyond == 0) return true;
    why = prefix + std::to_string(beyond) + " is named by none of its lines: lines were lost from its end";
    return false;
}

bool ParseHeader(const std::string& line, JournalContents& contents, uint32_t* chain) {
    const std::vector<std::string> fields = Fields(line, 6);
    if (fields.size() != 6 || fields[0] + " " + fields[1] != kMagic) return false;
    if (!ParseNumber(fields[2], &contents.volume) || !ParseNumber(fields[3], &contents.index)) return false;
    contents.unrecorded = fields[4] == "-" ? "" : fields[4];
    if (!contents.unrecorded.empty() && !IsJournalPath(contents.unrecorded)) return false;
    return Signed(0, line.substr(0, line.size() - fields[5].size() - 1), fields[5], chain);
}

// One entry line; why says what is wrong with it.
bool ParseEntry(const std::string& line, uint64_t expected, uint32_t* chain, JournalEntry& entry, std::string& why) {
    const bool saved = line.compare(0, 2, "S ") == 0;
    if (!saved && line.compare(0, 2, "C ") != 0) {
        why = "is not a journal line";
        return false;
    }
    const std::vector<std::string> fields = Fields(line, saved ? 7 : 4);
    if (fields.empty()) {
        why = "is not a journal line";
        return false;
    }
    const std::string& crc = fields[fields.size() - 2];
    entry.saved = saved;
    entry.path = fields.back();
    std::string text = fields[0] + " " + fields[1];
    bool numbers = ParseNumber(fields[1], &entry.sequence);
    if (saved) {
        numbers = numbers && ParseNumber(fields[2], &entry.copy) && ParseNumber(fields[3], &entry.length) &&
                  ParseHex(fields[4], &entry.copyCrc);
        text += " " + fields[2] + " " + fields[3] + " " + fields[4];
    }
    text += " " + entry.path;
    if (!numbers || !Signed(*chain, text, crc, chain)) {
        why = "fails its checksum";
        return false;
    }
    if (entry.sequence != expected) {
        why = "comes out of its place (number " + std::to_string(entry.sequence) + ", " + std::to_string(expected) +
              " expected)";
        return false;
    }
    if (!IsJournalPath(entry.path)) {
        why = "names a path that does not lie inside the home: " + entry.path;
        return false;
    }
    return true;
}


}  // namespace

std::string SavedCopyPath(const std::string& folder, uint64_t copy) {
    return InFolder(folder, kSavedCopyPrefix + std::to_string(copy));
}

std::string JournalHeaderLine(uint64_t volume, uint64_t index, const std::string& unrecorded, uint32_t* chain) {
    const std::string text = std::string(kMagic) + " " + std::to_string(volume) + " " + std::to_string(index) + " " +
                             (unrecorded.empty() ? "-" : unrecorded);
    *chain = Crc32c(HexOf(0) + " " + text);
    return text + " " + HexOf(*chain) + "\n";
}

std::string JournalEntryLine(const JournalEntry& entry, uint32_t* chain) {
    std::string head = std::string(entry.saved ? "S" : "C") + " " + std::to_string(entry.sequence);
    if (entry.saved) {
        head += " " + std::to_string(entry.copy) + " " + std::to_string(entry.length) + " " + HexOf(entry.copyCrc);
    }
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

JournalCheck ReadJournal(const std::string& folder, const std::string& own, bool copies, JournalContents& contents,
                         std::string& why, Problem& problem) {
    contents = JournalContents{};
    const std::string path = InFolder(folder, kJournalFileName);
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
    std::FILE* file = PlatformOpenStream(path.c_str(), StreamMode::Read, LastName::Itself, problem);
    if (file == nullptr) return JournalCheck::Unreadable;
    std::vector<std::string> lines;
    std::string line;
    bool tooLong = false;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (line.size() < kLongestLine) {
            line += static_cast<char>(c);
        } else {
            tooLong = true;
            break;
        }
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        problem = Problem{Z_ERROR_IO, "it cannot be read"};
        return JournalCheck::Unreadable;
    }
    if (tooLong) {
        why = LineName(lines.size() + 1) + " is longer than any journal line";
        return JournalCheck::Damaged;
    }
    // What follows the last line end is a line cut short: its change was
    // never made.
    uint32_t chain = 0;
    if (lines.empty() || !ParseHeader(lines[0], contents, &chain)) {
        why = "its first line is not a whole journal header";
        return JournalCheck::Damaged;
    }
    std::set<uint64_t> copyNumbers;
    std::set<std::string> paths;
    for (size_t number = 1; number < lines.size(); ++number) {
        JournalEntry entry;
        std::string wrong;
        if (!ParseEntry(lines[number], number, &chain, entry, wrong)) {
            why = LineName(number + 1) + " " + wrong;
            return JournalCheck::Damaged;
        }
        if (LiesBeneath(entry.path, contents.unrecorded) || LiesBeneath(entry.path, own) ||
            !paths.insert(entry.path).second ||
            (entry.saved && !copyNumbers.insert(entry.copy).second)) {
            why = LineName(number + 1) + " names a file the journal cannot have recorded: " + entry.path;
            return JournalCheck::Damaged;
        }
        contents.entries.push_back(entry);
    }
    if (copies) {
        uint64_t lastCopy = 0;
        for (const JournalEntry& entry : contents.entries) {
            if (!entry.saved) continue;
            problem = Problem{};
            if (!CheckCopy(folder, entry, why, problem)) {
                return why.empty() ? JournalCheck::Unreadable : JournalCheck::Damaged;
            }
            if (entry.copy > lastCopy) lastCopy = entry.copy;
        }
        problem = Problem{};
        if (!CheckNoLinesLost(folder, lastCopy, why, problem)) {
            return why.empty() ? JournalCheck::Unreadable : JournalCheck::Damaged;
        }
    }
    return JournalCheck::Whole;
}

}  // namespace zel::toolkit
