// The file journal's undo: obeyed only once every line, every page and every
// saved file has passed its checks, and only within the folder the journal
// belongs to. Last change first, each step puts one file back to what it
// was before the journal's first change of it, whatever happened to it
// since, and leaves what it put back from (the journal's files) in place,
// so the undo can itself be cut short and made again from the start.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "fault_table.h"
#include "crc32c.h"
#include "file_attributes.h"
#include "env.h"
#include "journal_internal.h"
#include "journal_paths.h"
#include "journal_saved.h"
#include "own_file.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

constexpr const char* kOperation = "Z_UndoFileJournal";

struct Recorded {
    std::string path;
    FileFacts facts;
};

bool Locate(const LexicalPath& base, const JournalEntry& entry, LastName last, Recorded& recorded,
            Problem& problem) {
    recorded.path = Absolute(base, entry.path);
    return PlatformFacts(recorded.path.c_str(), last, recorded.facts, problem);
}

// No file was there: whatever has the name now goes, as a name.
bool RemoveMade(const LexicalPath& base, const JournalEntry& entry) {
    Recorded recorded;
    Problem problem;
    if (!Locate(base, entry, LastName::Itself, recorded, problem)) {
        return FailProblem(kOperation, "remove", recorded.path.c_str(), problem);
    }
    if (recorded.facts.kind == FileKind::Missing || recorded.facts.kind == FileKind::Directory) return true;
    if (!PlatformDeleteFile(recorded.path.c_str(), problem)) {
        return FailProblem(kOperation, "remove", recorded.path.c_str(), problem);
    }
    return true;
}

// What an undo cut short left beside the recorded files under its own work
// names goes first, as names (the check refused a folder there): the saved
// file's second name among them would otherwise be one name too many for
// the put-back that makes it again.
bool RemoveWorkNames(const LexicalPath& base, const JournalContents& contents) {
    std::set<std::string> paths;
    for (const JournalEntry& entry : contents.entries) paths.insert(entry.path);
    for (const std::string& relative : paths) {
        for (const char* suffix : kUndoWorkSuffixes) {
            const std::string name = Absolute(base, relative) + suffix;
            FileFacts facts;
            Problem problem;
            if (!PlatformFacts(name.c_str(), LastName::Itself, facts, problem)) {
                return FailProblem(kOperation, "remove", name.c_str(), problem);
            }
            if (facts.kind == FileKind::Missing || facts.kind == FileKind::Directory) continue;
            if (!PlatformDeleteFile(name.c_str(), problem)) return FailProblem(kOperation, "remove", name.c_str(), problem);
        }
    }
    return true;
}

// Puts a saved file back under its name, beside it first and then moved
// over it, so that the saved file stays for an undo made again: a file moved
// aside gets a second name where the file system has them (the check takes
// the recorded name for its one other name), a copy gets copied.
bool PutBackWhole(const std::string& journalDir, const LexicalPath& base, const JournalEntry& entry) {
    Recorded recorded;
    Problem problem;
    if (!Locate(base, entry, LastName::Follow, recorded, problem)) {
        return FailProblem(kOperation, "put back", recorded.path.c_str(), problem);
    }
    if (entry.kind == EntryKind::MovedAside && MovedFileIsInPlace(journalDir, recorded.path, entry)) return true;
    const std::string saved = SavedCopyPath(journalDir, entry.copy);
    const std::string staged = recorded.path + kUndoStagedSuffix;
    Problem ignored;
    PlatformDeleteFile(staged.c_str(), ignored);
    bool made = false;
    const LinkResult link = entry.kind == EntryKind::MovedAside
                                ? PlatformLinkFile(saved.c_str(), staged.c_str(), problem)
                                : LinkResult::Unsupported;
    switch (link) {
        case LinkResult::Linked:
            made = true;
            break;
        case LinkResult::Unsupported: break;
        case LinkResult::Failed: return FailProblem(kOperation, "put back", recorded.path.c_str(), problem);
    }
    if (!made) {
        std::FILE* in = PlatformOpenStream(saved.c_str(), StreamMode::Read, LastName::Itself, problem);
        if (in == nullptr) return FailProblem(kOperation, "read", saved.c_str(), problem);
        // A copy is the journal's own file, and is obeyed only as such.
        Ownership ownership;
        if (!PlatformStreamOwnership(in, ownership, problem) || !OwnFile(ownership, problem)) {
            std::fclose(in);
            return FailProblem(kOperation, "trust", saved.c_str(), problem);
        }
        std::FILE* out = PlatformOpenStream(staged.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
        if (out == nullptr) {
            std::fclose(in);
            return FailProblem(kOperation, "create", staged.c_str(), problem);
        }
        std::vector<char> block(1 << 16);
        made = true;
        for (size_t count; made && (count = std::fread(block.data(), 1, block.size(), in)) > 0;) {
            made = std::fwrite(block.data(), 1, count, out) == count;
        }
        made = made && std::ferror(in) == 0;
        std::fclose(in);
        made = std::fclose(out) == 0 && made;
    }
    // The file moved aside goes back as it was, attributes and all; a copy
    // takes those of the file it replaces, as any replacement does.
    const bool copied = link != LinkResult::Linked;
    FileAttributes attributes;
    const bool replaces = made && copied && ReplacementAttributes(recorded.path.c_str(), attributes);
    if (!made ||
        !PlatformReplaceFile(staged.c_str(), recorded.path.c_str(),
                             copied ? ReplaceSource::MadeHere : ReplaceSource::SavedFile,
                             replaces ? &attributes : nullptr, problem)) {
        PlatformDeleteFile(staged.c_str(), ignored);
        if (problem.text.empty()) problem = Problem{Z_ERROR_IO, "its copy cannot be written"};
        return FailProblem(kOperation, "put back", recorded.path.c_str(), problem);
    }
    return true;
}

// The pages of one file written back in turn, then the file cut to its
// length and flushed. The file gets no page while it shares its bytes with
// another name (the journal's own, when it was moved aside and back).
class PageWriter {
public:
    explicit PageWriter(std::FILE* journal) : journal_(journal) {}
    ~PageWriter() {
        if (stream_ != nullptr) std::fclose(stream_);
    }
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    bool Put(const std::string& path, const JournalEntry& entry) {
        if (path != path_ && (!Finish() || !Open(path, entry.length))) return false;
        if (entry.size == 0) return true;
        char bytes[kJournalPageSize];
        // The page is read again as it is now: it passed its check, and must
        // still.
        if (PlatformSeek(journal_, static_cast<int64_t>(entry.at), SEEK_SET) != 0 ||
            std::fread(bytes, 1, static_cast<size_t>(entry.size), journal_) != entry.size ||
            Crc32c(0, bytes, static_cast<size_t>(entry.size)) != entry.crc) {
            return Fail(Z_ERROR_DAMAGED, "%s: a page of %s in the file journal changed while it was put back",
                        kOperation, path.c_str());
        }
        if (PlatformSeek(stream_, static_cast<int64_t>(entry.offset), SEEK_SET) != 0 ||
            std::fwrite(bytes, 1, static_cast<size_t>(entry.size), stream_) != entry.size) {
            return Fail(Z_ERROR_IO, "%s: cannot put back a page of %s", kOperation, path.c_str());
        }
        return true;
    }

    bool Finish() {
        if (stream_ == nullptr) return true;
        std::FILE* stream = stream_;
        stream_ = nullptr;
        Problem problem;
        bool done = std::fflush(stream) == 0 && PlatformTruncateStream(stream, static_cast<int64_t>(length_), problem) &&
                    PlatformFlushStream(stream);
        done = std::fclose(stream) == 0 && done;
        if (!done) {
            if (problem.text.empty()) problem = Problem{Z_ERROR_IO, "it cannot be written"};
            return FailProblem(kOperation, "put back", path_.c_str(), problem);
        }
        Env::Get().Power().StreamFlushed(path_);
        path_.clear();
        return true;
    }

private:
    bool Open(const std::string& path, uint64_t length) {
        Problem problem;
        FileFacts facts;
        if (!PlatformFacts(path.c_str(), LastName::Follow, facts, problem)) {
            return FailProblem(kOperation, "put back", path.c_str(), problem);
        }
        if (facts.kind != FileKind::Regular) {
            return Fail(Z_ERROR_NOT_FOUND, "%s: cannot put back the pages of %s: it is not there", kOperation,
                        path.c_str());
        }
        if (!SeparateHardLinks(kOperation, path.c_str(), LastName::Follow)) return false;
        stream_ = PlatformOpenStream(path.c_str(), StreamMode::Update, LastName::Follow, problem);
        if (stream_ == nullptr) return FailProblem(kOperation, "put back", path.c_str(), problem);
        path_ = path;
        length_ = length;
        return true;
    }

    std::FILE* journal_;
    std::FILE* stream_ = nullptr;
    std::string path_;
    uint64_t length_ = 0;
};

bool Undo(const std::string& journalDir, const LexicalPath& base, const JournalContents& contents) {
    Problem problem;
    std::FILE* journal =
        PlatformOpenStream(JournalFilePath(journalDir).c_str(), StreamMode::Read, LastName::Itself, problem);
    if (journal == nullptr) return FailProblem(kOperation, "read the file journal in", journalDir.c_str(), problem);
    // The pages put back are read from this file: it must still be the
    // journal's own.
    Ownership ownership;
    if (!PlatformStreamOwnership(journal, ownership, problem) || !OwnFile(ownership, problem)) {
        std::fclose(journal);
        return FailProblem(kOperation, "trust", JournalFilePath(journalDir).c_str(), problem);
    }
    bool done = RemoveWorkNames(base, contents);
    {
        PageWriter pages(journal);
        for (auto entry = contents.entries.rbegin(); done && entry != contents.entries.rend(); ++entry) {
            if (Z_FaultPoint("Z_UndoFileJournal")) {
                done = false;
                break;
            }
            if (entry->kind == EntryKind::Page) {
                done = pages.Put(Absolute(base, entry->path), *entry);
                continue;
            }
            done = pages.Finish() &&
                   (entry->kind == EntryKind::Created ? RemoveMade(base, *entry) : PutBackWhole(journalDir, base, *entry));
        }
        done = done && pages.Finish();
    }
    std::fclose(journal);
    return done;
}

}  // namespace

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_UndoFileJournal(const char* journalDir, const char* baseDir) {
    const EntryPoint call("Z_UndoFileJournal", false);
    if (RejectEmptyPath(kOperation, journalDir)) return 0;
    if (JournalIsOpen()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_UndoFileJournal: the journal is still open");
    LexicalPath base;
    if (!JournalBase(kOperation, baseDir, base)) return 0;
    // The whole journal passes its checks before the first file is put
    // back: a damaged record is never obeyed in part.
    JournalContents contents;
    if (!LoadJournal(kOperation, journalDir, base, true, contents)) return 0;
    return Undo(journalDir, base, contents) ? 1 : 0;
}
