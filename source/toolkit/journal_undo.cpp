// The file journal's undo: obeyed only once every line, every page and every
// saved file has passed its checks, and only within the folder the journal
// belongs to. Last change first, each step puts one file back to what it
// was before the journal's first change of it, whatever happened to it
// since, and leaves what it put back from (the journal's files) in place,
// so the undo can itself be cut short and made again from the start.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "crc32c.h"
#include "durable_files.h"
#include "env.h"
#include "fault_table.h"
#include "file_attributes.h"
#include "file_journal.h"
#include "journal_paths.h"
#include "journal_saved.h"
#include "journal_store.h"
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

// A copy of a saved copy beside the recorded file, under the undo's work
// name. The copy is the journal's own file, and is obeyed only as such.
Status CopySaved(const std::string& saved, const std::string& staged) {
    Result<std::unique_ptr<File>> in = Files().Open(saved, OpenOptions{OpenMode::Read, Last::Itself});
    if (!in.ok()) return in.TakeStatus().At(saved);
    Result<Ownership> ownership = (*in)->Owner();
    Status copied = ownership.ok() ? OwnStatus(*ownership) : ownership.status();
    if (!copied.ok()) {
        (void)(*in)->Close();
        return copied.At(saved);
    }
    Result<std::unique_ptr<File>> out = CreateNew(Files(), staged);
    if (!out.ok()) {
        (void)(*in)->Close();
        return out.TakeStatus().At(staged);
    }
    copied = CopyBytes(**in, **out);
    (void)(*in)->Close();
    if (Status closed = (*out)->Close(); copied.ok()) copied = closed.At(staged);
    return copied;
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
    if (SavedFileIsInPlace(journalDir, recorded.path, entry)) return true;
    const std::string saved = SavedCopyPath(journalDir, entry.copy);
    const std::string staged = recorded.path + kUndoStagedSuffix;
    Problem ignored;
    PlatformDeleteFile(staged.c_str(), ignored);
    const LinkResult link = entry.kind == EntryKind::MovedAside
                                ? PlatformLinkFile(saved.c_str(), staged.c_str(), problem)
                                : LinkResult::Unsupported;
    if (link == LinkResult::Failed) return FailProblem(kOperation, "put back", recorded.path.c_str(), problem);
    const bool copied = link == LinkResult::Unsupported;
    if (copied) {
        if (Status made = CopySaved(saved, staged); !made.ok()) {
            (void)Files().Remove(staged);
            return FailStatus(kOperation, "put back", recorded.path, made);
        }
    }
    // The file moved aside goes back as it was, attributes and all; a copy
    // takes those of the file it replaces, as any replacement does.
    FileAttributes attributes;
    const bool replaces = copied && ReplacementAttributes(recorded.path.c_str(), attributes);
    if (!PlatformReplaceFile(staged.c_str(), recorded.path.c_str(),
                             copied ? ReplaceSource::MadeHere : ReplaceSource::SavedFile,
                             replaces ? &attributes : nullptr, problem)) {
        PlatformDeleteFile(staged.c_str(), ignored);
        return FailProblem(kOperation, "put back", recorded.path.c_str(), problem);
    }
    return true;
}

// The pages of one file written back in turn, then the file cut to its
// length and flushed. The file gets no page while it shares its bytes with
// another name (the journal's own, when it was moved aside and back).
class PageWriter {
public:
    explicit PageWriter(File& journal) : journal_(journal) {}
    ~PageWriter() {
        if (file_ != nullptr) (void)file_->Close();
    }
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    bool Put(const std::string& path, const JournalEntry& entry) {
        if (path != path_ && (!Finish() || !Open(path, entry.length))) return false;
        if (entry.size == 0) return true;
        char bytes[kJournalPageSize];
        // The page is read again as it is now: it passed its check, and must
        // still.
        Result<size_t> read = journal_.ReadAt(entry.at, bytes, static_cast<size_t>(entry.size));
        if (!read.ok()) return FailStatus(kOperation, "read the file journal", journal_.path(), read.status());
        if (*read != entry.size || Crc32c(0, bytes, static_cast<size_t>(entry.size)) != entry.crc) {
            return Fail(Z_ERROR_DAMAGED, "%s: a page of %s in the file journal changed while it was put back",
                        kOperation, path.c_str());
        }
        if (Status written = file_->WriteAt(entry.offset, bytes, static_cast<size_t>(entry.size)); !written.ok()) {
            return FailStatus(kOperation, "put back a page of", path, written);
        }
        return true;
    }

    bool Finish() {
        if (file_ == nullptr) return true;
        std::unique_ptr<File> file = std::move(file_);
        Status done = file->Truncate(length_);
        if (done.ok()) done = file->Flush();
        if (Status closed = file->Close(); done.ok()) done = closed;
        if (!done.ok()) return FailStatus(kOperation, "put back", path_, done);
        path_.clear();
        return true;
    }

private:
    bool Open(const std::string& path, uint64_t length) {
        Result<Facts> facts = Files().Look(path, Last::Follow);
        if (!facts.ok()) return FailStatus(kOperation, "put back", path, facts.status());
        if (facts->kind != Kind::Regular) {
            return Fail(Z_ERROR_NOT_FOUND, "%s: cannot put back the pages of %s: it is not there", kOperation,
                        path.c_str());
        }
        if (Status separated = SeparateHardLinks(Files(), path, Last::Follow); !separated.ok()) {
            return FailStatus(kOperation, "separate the hard links of", path, separated);
        }
        Result<std::unique_ptr<File>> opened = Files().Open(path, OpenOptions{OpenMode::Update, Last::Follow});
        if (!opened.ok()) return FailStatus(kOperation, "put back", path, opened.status());
        file_ = opened.TakeValue();
        path_ = path;
        length_ = length;
        return true;
    }

    File& journal_;
    std::unique_ptr<File> file_;
    std::string path_;
    uint64_t length_ = 0;
};

bool Undo(const std::string& journalDir, const LexicalPath& base, const JournalContents& contents) {
    const std::string path = JournalFilePath(journalDir);
    Result<std::unique_ptr<File>> opened = Files().Open(path, OpenOptions{OpenMode::Read, Last::Itself});
    if (!opened.ok()) return FailStatus(kOperation, "read the file journal in", journalDir, opened.status());
    File& journal = **opened;
    // The pages put back are read from this file: it must still be the
    // journal's own.
    Result<Ownership> ownership = journal.Owner();
    if (Status own = ownership.ok() ? OwnStatus(*ownership) : ownership.status(); !own.ok()) {
        (void)journal.Close();
        return FailStatus(kOperation, "trust", path, own);
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
    (void)journal.Close();
    return done;
}

}  // namespace

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_UndoFileJournal(const char* journalDir, const char* baseDir) {
    const EntryPoint call("Z_UndoFileJournal", false);
    if (RejectEmptyPath(kOperation, journalDir)) return 0;
    if (RecordingJournal() != nullptr) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_UndoFileJournal: the journal is still open");
    }
    LexicalPath base;
    if (!JournalBase(kOperation, baseDir, base)) return 0;
    // The whole journal passes its checks before the first file is put
    // back: a damaged record is never obeyed in part.
    JournalContents contents;
    if (!LoadJournal(kOperation, journalDir, base, true, contents)) return 0;
    return Undo(journalDir, base, contents) ? 1 : 0;
}
