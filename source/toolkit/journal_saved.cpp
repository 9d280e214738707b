#include "journal_saved.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "durable_files.h"
#include "env.h"
#include "journal_paths.h"

namespace zel::toolkit {
namespace {

bool SameFile(const FileFacts& a, const FileFacts& b) { return a.volume == b.volume && a.index == b.index; }

bool HoldsRecordedBytes(const std::string& path, const JournalEntry& entry) {
    uint64_t length = 0;
    uint32_t crc = 0;
    Problem problem;
    return FileChecksum(path, LastName::Follow, &length, &crc, problem) && length == entry.length && crc == entry.crc;
}

// Whether every other name of the saved file is one the journal allows it:
// its recorded name until the new file takes it, the name it was renamed to
// (both as the undo reaches them), and the undo's own name for it beside a
// recorded name, which an undo cut short between its two steps leaves.
bool OtherNamesAllowed(const FileFacts& saved, const LexicalPath& base, const JournalContents& contents) {
    std::set<std::string> paths;
    for (const JournalEntry& entry : contents.entries) paths.insert(entry.path);
    uint64_t allowed = 0;
    bool recorded = false;
    for (const std::string& relative : paths) {
        const std::string path = Absolute(base, relative);
        FileFacts named;
        Problem ignored;
        if (!recorded && PlatformFacts(path.c_str(), LastName::Follow, named, ignored) &&
            named.kind == FileKind::Regular && SameFile(named, saved)) {
            recorded = true;
            ++allowed;
        }
        const std::string staged = path + kUndoStagedSuffix;
        if (PlatformFacts(staged.c_str(), LastName::Itself, named, ignored) && named.kind == FileKind::Regular &&
            SameFile(named, saved)) {
            ++allowed;
        }
    }
    return saved.links - 1 <= allowed;
}

bool CheckSaved(const std::string& folder, const LexicalPath& base, const JournalContents& contents,
                const JournalEntry& entry, std::string& why, Problem& problem) {
    const std::string recorded = Absolute(base, entry.path);
    const std::string name = kSavedCopyPrefix + std::to_string(entry.copy);
    const std::string path = SavedCopyPath(folder, entry.copy);
    const bool moved = entry.kind == EntryKind::MovedAside;
    FileFacts facts;
    if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem)) return false;
    // The line reaches the disk before the name of its SAVED file does: a
    // crash between leaves the line alone, which is obeyed while the file
    // it recorded is still as it was (its change comes after both).
    if (facts.kind == FileKind::Missing && HoldsRecordedBytes(recorded, entry)) return true;
    if (facts.kind != FileKind::Regular) {
        why = name + (facts.kind == FileKind::Missing ? " is missing" : " is not a file");
        return false;
    }
    // A copy is the journal's own file; a file moved aside is the home's
    // own, whoever owns it, and its checksum says it is as it was.
    Ownership ownership;
    if (!moved && (!PlatformOwnership(path.c_str(), LastName::Itself, ownership, problem) ||
                   !OwnFile(ownership, problem))) {
        if (problem.code == Z_ERROR_NOT_OWN) problem.text = path + ": " + problem.text;
        return false;
    }
    if (facts.links != 1) {
        if (!moved || facts.links > 3 || !OtherNamesAllowed(facts, base, contents)) {
            why = name + " has other names (hard links) besides its own";
            return false;
        }
    }
    if (facts.size != entry.length) {
        why = name + " holds " + std::to_string(facts.size) + " bytes, the journal says " +
              std::to_string(entry.length);
        return false;
    }
    uint64_t length = 0;
    uint32_t crc = 0;
    if (!FileChecksum(path, LastName::Itself, &length, &crc, problem)) return false;
    if (crc != entry.crc || length != entry.length) {
        why = name + " fails its checksum";
        return false;
    }
    return true;
}

// SAVED files are numbered one after another. Only the first is made
// before the line that names it (it tells how the journal's volume keeps a
// file); every other is made once its line is on the disk. So a crash
// leaves at most one that no line names. One beyond that means that lines
// were lost from the journal's end: files were changed that the journal no
// longer names, and an undo would leave them changed.
bool CheckNoLinesLost(const std::string& folder, const JournalContents& contents, std::string& why,
                      Problem& problem) {
    uint64_t lastCopy = 0;
    for (const JournalEntry& entry : contents.entries) {
        if (entry.kind == EntryKind::Copied || entry.kind == EntryKind::MovedAside) {
            lastCopy = std::max(lastCopy, entry.copy);
        }
    }
    std::vector<DirectoryEntry> entries;
    if (!PlatformListDirectory(folder.c_str(), entries, problem)) return false;
    uint64_t beyond = 0;
    for (const DirectoryEntry& entry : entries) {
        uint64_t copy = 0;
        if (!ParseSavedName(entry.name, &copy) || copy <= lastCopy + 1) continue;
        if (beyond == 0 || copy < beyond) beyond = copy;
    }
    if (beyond == 0) return true;
    why = kSavedCopyPrefix + std::to_string(beyond) + " is named by none of its lines: lines were lost from its end";
    return false;
}

}  // namespace

bool ParseSavedName(const std::string& name, uint64_t* copy) {
    const std::string prefix = kSavedCopyPrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 19 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    uint64_t value = 0;
    for (size_t at = prefix.size(); at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9') return false;
        value = value * 10 + static_cast<uint64_t>(name[at] - '0');
    }
    *copy = value;
    return true;
}

bool FileChecksum(const std::string& path, LastName last, uint64_t* length, uint32_t* crc, Problem& problem) {
    Result<std::unique_ptr<File>> file =
        Files().Open(path, OpenOptions{OpenMode::Read, last == LastName::Follow ? Last::Follow : Last::Itself});
    Status read = file.ok() ? ChecksumBytes(**file, length, crc) : file.status();
    if (file.ok()) (void)(*file)->Close();
    if (!read.ok()) problem = ProblemOf(read);
    return read.ok();
}

JournalCheck CheckSavedFiles(const std::string& folder, const LexicalPath& base, const JournalContents& contents,
                             std::string& why, Problem& problem) {
    for (const JournalEntry& entry : contents.entries) {
        if (entry.kind != EntryKind::Copied && entry.kind != EntryKind::MovedAside) continue;
        problem = Problem{};
        if (!CheckSaved(folder, base, contents, entry, why, problem)) {
            if (!why.empty()) return JournalCheck::Damaged;
            return problem.code == Z_ERROR_NOT_OWN ? JournalCheck::NotOwn : JournalCheck::Unreadable;
        }
    }
    problem = Problem{};
    if (!CheckNoLinesLost(folder, contents, why, problem)) {
        return why.empty() ? JournalCheck::Unreadable : JournalCheck::Damaged;
    }
    return JournalCheck::Whole;
}

bool SavedFileIsInPlace(const std::string& folder, const std::string& path, const JournalEntry& entry) {
    FileFacts saved;
    FileFacts named;
    Problem problem;
    if (!PlatformFacts(SavedCopyPath(folder, entry.copy).c_str(), LastName::Itself, saved, problem)) return false;
    if (saved.kind == FileKind::Missing) return true;  // checked: the name holds the recorded bytes
    return PlatformFacts(path.c_str(), LastName::Follow, named, problem) && named.kind == FileKind::Regular &&
           SameFile(saved, named);
}

}  // namespace zel::toolkit
