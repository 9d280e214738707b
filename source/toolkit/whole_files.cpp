// Operations on whole files: copy, rename, replace, delete, size.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "file_attributes.h"
#include "file_journal.h"
#include "flush_batch.h"
#include "path_text.h"
#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

// Copies the bytes of source into a work file beside target and moves it
// over target, so that a failed copy never leaves a half target.
int CopyOver(const char* operation, const std::string& source, const std::string& target) {
    Problem problem;
    std::FILE* in = PlatformOpenStream(source.c_str(), StreamMode::Read, LastName::Follow, problem);
    if (in == nullptr) return FailProblem(operation, "open", source.c_str(), problem);
    // Who owns the bytes copied, asked of the file open here, not of a name
    // that may lead elsewhere by the time the copy is made.
    Ownership owner;
    if (!PlatformStreamOwnership(in, owner, problem)) {
        std::fclose(in);
        return FailProblem(operation, "open", source.c_str(), problem);
    }
    std::string temporary = target + ".zel-copy";
    if (!JournalBeforeChange(operation, temporary.c_str(), JournalChange::Make, LastName::Itself) ||
        !JournalBeforeChange(operation, target.c_str(), JournalChange::Replace, LastName::Follow)) {
        std::fclose(in);
        return 0;
    }
    NoteBeforeWrite(temporary.c_str());
    std::FILE* out = PlatformOpenStream(temporary.c_str(), StreamMode::CreateNew, LastName::Itself, problem);
    if (out == nullptr) {
        std::fclose(in);
        return FailProblem(operation, "create", temporary.c_str(), problem);
    }
    char block[65536];
    bool failed = false;
    std::string failure;
    for (;;) {
        size_t count = std::fread(block, 1, sizeof block, in);
        if (count > 0 && std::fwrite(block, 1, count, out) != count) {
            failed = true;
            failure = std::string("cannot write ") + temporary + ": " + std::strerror(errno);
            break;
        }
        if (count < sizeof block) {
            if (std::ferror(in)) {
                failed = true;
                failure = std::string("cannot read ") + source + ": " + std::strerror(errno);
            }
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && !failed) {
        failed = true;
        failure = std::string("cannot write ") + temporary + ": " + std::strerror(errno);
    }
    if (failed) {
        PlatformDeleteFile(temporary.c_str(), problem);
        return Fail(Z_ERROR_IO, "%s: %s", operation, failure.c_str());
    }
    // A program copied under another name stays runnable, but the copy is
    // never read-only and never set-id (file_attributes.h).
    const FileAttributes attributes = CopyAttributes(owner, target.c_str());
    NoteFlushed(temporary.c_str());
    NoteBeforeWrite(target.c_str());
    if (!PlatformReplaceFile(temporary.c_str(), target.c_str(), ReplaceSource::MadeHere, &attributes, problem)) {
        Problem ignored;
        PlatformDeleteFile(temporary.c_str(), ignored);
        return FailProblem(operation, "replace", target.c_str(), problem);
    }
    NoteMoved(temporary.c_str(), target.c_str());
    return 1;
}

// What path is now. A missing name (or a folder on the way that is none)
// is an answer; when the system cannot tell, the call fails with its reason
// rather than take the name for missing.
bool LookAt(const char* operation, const char* path, LastName last, FileFacts& facts) {
    Problem problem;
    if (PlatformFacts(path, last, facts, problem)) return true;
    facts = FileFacts{};
    if (problem.code == Z_ERROR_NOT_FOUND) return true;
    FailProblem(operation, "look at", path, problem);
    return false;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && EndsWithPathSeparator(folder)) return folder + name;
    return folder + Z_PATH_SEPARATOR + name;
}

struct CopyEntry {
    bool directory = false;
    std::string source;
    std::string target;
};

// The tree below source, folders before what they hold. A link in it is
// followed where the link rule allows it.
bool ListTree(const std::string& source, const std::string& target, std::vector<CopyEntry>& entries, int depth) {
    std::vector<DirectoryEntry> names;
    Problem problem;
    if (!PlatformListDirectory(source.c_str(), names, problem)) {
        return FailProblem("Z_DuplicateDir", "list", source.c_str(), problem);
    }
    for (const DirectoryEntry& name : names) {
        CopyEntry entry;
        entry.source = InFolder(source, name.name);
        entry.target = InFolder(target, name.name);
        FileKind kind = name.kind;
        if (kind == FileKind::Link) {
            FileFacts named;
            if (!LookAt("Z_DuplicateDir", entry.source.c_str(), LastName::Follow, named)) return false;
            kind = named.kind;
        }
        if (kind != FileKind::Regular && kind != FileKind::Directory) continue;
        if (!name.exact) {
            return FailCodePage("Z_DuplicateDir", "the name of", entry.source);
        }
        entry.directory = kind == FileKind::Directory;
        entries.push_back(entry);
        if (entry.directory) {
            if (depth > 64) return Fail(Z_ERROR_TOO_LONG, "Z_DuplicateDir: %s lies too deep", entry.source.c_str());
            if (!ListTree(entry.source, entry.target, entries, depth + 1)) return 0;
        }
    }
    return true;
}

// Copies the listed tree: each folder made before what it holds.
bool CopyTree(const std::vector<CopyEntry>& entries, const char* target, ZCopyCallback callback) {
    Problem problem;
    if (!PlatformMakeDirectories(target, FolderAccess::Shared, problem)) return FailProblem("Z_DuplicateDir", "create", target, problem);
    for (const CopyEntry& entry : entries) {
        if (entry.directory) {
            if (!PlatformMakeDirectories(entry.target.c_str(), FolderAccess::Shared, problem)) {
                return FailProblem("Z_DuplicateDir", "create", entry.target.c_str(), problem);
            }
            continue;
        }
        if (!CopyOver("Z_DuplicateDir", entry.source, entry.target)) return false;
        if (callback != nullptr) callback(entry.target.c_str());
    }
    return true;
}

// The many names one call changes reach the disk together: each folder is
// flushed once, at the end.
class OneFlushPerFolder {
public:
    explicit OneFlushPerFolder(const char* operation) : operation_(operation) { BeginFlushBatch(); }
    ~OneFlushPerFolder() {
        if (!ended_) End();
    }
    OneFlushPerFolder(const OneFlushPerFolder&) = delete;
    OneFlushPerFolder& operator=(const OneFlushPerFolder&) = delete;

    bool End() {
        ended_ = true;
        Problem problem;
        std::string failed;
        if (EndFlushBatch(problem, failed)) return true;
        return FailProblem(operation_, "flush the folder", failed.c_str(), problem);
    }

private:
    const char* operation_;
    bool ended_ = false;
};

bool MatchesFrom(const char* name, const char* pattern) {
    while (*pattern != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return true;
            for (const char* rest = name; *rest != '\0'; ++rest) {
                if (MatchesFrom(rest, pattern)) return true;
            }
            return false;
        }
        if (*name == '\0') return false;
        if (*pattern != '?' && FoldAscii(*pattern) != FoldAscii(*name)) return false;
        ++pattern;
        ++name;
    }
    return *name == '\0';
}

}  // namespace

// Windows wildcards: * and ? in any case, and a pattern ending in ".*" also
// takes names without an extension ("z40*.*" matches "z40server").
bool zel::toolkit::MatchesWildcard(const std::string& name, const std::string& pattern) {
    if (MatchesFrom(name.c_str(), pattern.c_str())) return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos) {
        return MatchesFrom(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str());
    }
    return false;
}

int Z_CloneFile(const char* source, const char* target) {
    if (Z_FaultPoint("Z_CloneFile")) return 0;
    if (RejectEmptyPath("Z_CloneFile", source) || RejectEmptyPath("Z_CloneFile", target)) return 0;
    return CopyOver("Z_CloneFile", source, target);
}

int Z_DuplicateDir(const char* source, const char* target, ZCopyCallback callback, int /*flags*/) {
    if (Z_FaultPoint("Z_DuplicateDir")) return 0;
    if (RejectEmptyPath("Z_DuplicateDir", source) || RejectEmptyPath("Z_DuplicateDir", target)) return 0;
    FileFacts facts;
    if (!LookAt("Z_DuplicateDir", source, LastName::Follow, facts)) return 0;
    if (facts.kind != FileKind::Directory) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DuplicateDir: %s is not a directory", source);
    }
    // The whole tree is listed before anything is copied, so that a name
    // the system code page cannot write (the callback receives each copy's
    // narrow path) stops the copy before it begins rather than halfway.
    std::vector<CopyEntry> entries;
    if (!ListTree(source, target, entries, 0)) return 0;
    OneFlushPerFolder batch("Z_DuplicateDir");
    return CopyTree(entries, target, callback) && batch.End() ? 1 : 0;
}

int Z_RenameFile(const char* oldPath, const char* newPath) {
    if (Z_FaultPoint("Z_RenameFile")) return 0;
    if (RejectEmptyPath("Z_RenameFile", oldPath) || RejectEmptyPath("Z_RenameFile", newPath)) return 0;
    // A rename must never destroy a file, as on Windows.
    FileFacts target;
    FileFacts source;
    if (!LookAt("Z_RenameFile", newPath, LastName::Itself, target) ||
        !LookAt("Z_RenameFile", oldPath, LastName::Itself, source)) {
        return 0;
    }
    if (target.kind != FileKind::Missing) {
        return Fail(Z_ERROR_EXISTS, "Z_RenameFile: cannot rename %s to %s: the new name exists", oldPath, newPath);
    }
    if (source.kind == FileKind::Missing) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_RenameFile: cannot rename %s to %s: No such file or directory", oldPath,
                    newPath);
    }
    if (!JournalBeforeChange("Z_RenameFile", oldPath, JournalChange::Remove, LastName::Itself) ||
        !JournalBeforeChange("Z_RenameFile", newPath, JournalChange::Replace, LastName::Itself)) {
        return 0;
    }
    Problem problem;
    NoteFlushed(oldPath);
    NoteBeforeWrite(newPath);
    if (!PlatformRenameFile(oldPath, newPath, problem)) {
        return Fail(problem.code, "Z_RenameFile: cannot rename %s to %s: %s", oldPath, newPath, problem.text.c_str());
    }
    NoteMoved(oldPath, newPath);
    return 1;
}

int Z_ReplaceFile(const char* source, const char* target) {
    if (Z_FaultPoint("Z_ReplaceFile")) return 0;
    if (RejectEmptyPath("Z_ReplaceFile", source) || RejectEmptyPath("Z_ReplaceFile", target)) return 0;
    FileFacts facts;
    if (!LookAt("Z_ReplaceFile", source, LastName::Itself, facts)) return 0;
    if (facts.kind != FileKind::Regular) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_ReplaceFile: cannot move %s: no such file", source);
    }
    if (!JournalBeforeChange("Z_ReplaceFile", source, JournalChange::Remove, LastName::Itself) ||
        !JournalBeforeChange("Z_ReplaceFile", target, JournalChange::Replace, LastName::Follow)) {
        return 0;
    }
    Problem problem;
    NoteFlushed(source);
    NoteBeforeWrite(target);
    FileAttributes attributes;
    const bool replaces = ReplacementAttributes(target, attributes);
    if (!PlatformReplaceFile(source, target, ReplaceSource::MadeHere, replaces ? &attributes : nullptr, problem)) {
        return Fail(problem.code, "Z_ReplaceFile: cannot move %s over %s: %s", source, target, problem.text.c_str());
    }
    NoteMoved(source, target);
    return 1;
}

namespace {

// The program's own files (flag Z_NO_LINK) take the new content under their
// name itself: a link planted there is replaced, never followed. A record
// (Z_OWN_FILE) keeps the private attributes it was made with.
bool ReplaceName(const char* source, const char* target, bool record) {
    if (Z_FaultPoint("Z_ReplaceFile")) return false;
    if (!JournalBeforeChange("Z_ReplaceFile", source, JournalChange::Remove, LastName::Itself) ||
        !JournalBeforeChange("Z_ReplaceFile", target, JournalChange::Replace, LastName::Itself)) {
        return false;
    }
    Problem problem;
    FileFacts facts;
    if (PlatformFacts(target, LastName::Itself, facts, problem) && facts.kind == FileKind::Link &&
        !PlatformDeleteFile(target, problem)) {
        return FailProblem("Z_ReplaceFile", "replace", target, problem);
    }
    NoteFlushed(source);
    NoteBeforeWrite(target);
    FileAttributes attributes;
    const bool takes = !record && ReplacementAttributes(target, attributes);
    if (!PlatformReplaceFile(source, target, ReplaceSource::MadeHere, takes ? &attributes : nullptr, problem)) {
        return Fail(problem.code, "Z_ReplaceFile: cannot move %s over %s: %s", source, target, problem.text.c_str());
    }
    NoteMoved(source, target);
    return true;
}

}  // namespace

int Z_WriteWholeFile(const char* path, const void* data, int64_t size, uint32_t flags) {
    if (RejectEmptyPath("Z_WriteWholeFile", path)) return 0;
    if (size < 0 || (size > 0 && data == nullptr)) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_WriteWholeFile: bad content");
    const std::string work = std::string(path) + ".NEW";
    const bool record = (flags & Z_OWN_FILE) != 0;
    HZFILE file = Z_CreateFile(work.c_str(), Z_MODE_READ_WRITE, 0, nullptr, flags & Z_OWN_FILE);
    if (file == nullptr) return 0;
    bool written = size == 0 || Z_WriteFile(file, data, size, 1) == size;
    // A failed close may have lost buffered bytes.
    written = Z_CloseFile(file) != 0 && written;
    if (written) {
        if ((flags & (Z_NO_LINK | Z_OWN_FILE)) != 0 ? ReplaceName(work.c_str(), path, record)
                                                    : Z_ReplaceFile(work.c_str(), path) != 0) {
            return 1;
        }
    }
    // Keep the error that stopped the write, not one of the clean-up.
    const uint32_t code = Z_GetLastError();
    const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    // A work file the system cannot tell about is tried all the same.
    FileFacts facts;
    if (!LookAt("Z_WriteWholeFile", work.c_str(), LastName::Itself, facts) || facts.kind != FileKind::Missing) {
        Z_DeleteFile(work.c_str());
    }
    Z_SetLastErrorText(code, "%s", text.c_str());
    return 0;
}

int Z_DeleteFile(const char* path) {
    if (Z_FaultPoint("Z_DeleteFile")) return 0;
    if (RejectEmptyPath("Z_DeleteFile", path)) return 0;
    FileFacts facts;
    if (!LookAt("Z_DeleteFile", path, LastName::Itself, facts)) return 0;
    const FileKind kind = facts.kind;
    if (kind == FileKind::Missing) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DeleteFile: cannot delete %s: No such file or directory", path);
    }
    if (kind == FileKind::Directory) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFile: cannot delete %s: it is a directory", path);
    }
    if (!JournalBeforeChange("Z_DeleteFile", path, JournalChange::Remove, LastName::Itself)) return 0;
    NoteBeforeWrite(path);
    Problem problem;
    if (!PlatformDeleteFile(path, problem)) return FailProblem("Z_DeleteFile", "delete", path, problem);
    NoteDeleted(path);
    return 1;
}

int Z_DeleteFiles(const char* dir, const char* wildcard) {
    if (Z_FaultPoint("Z_DeleteFiles")) return 0;
    if (RejectEmptyPath("Z_DeleteFiles", dir)) return 0;
    if (wildcard == nullptr || wildcard[0] == '\0') {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFiles: no wildcard given");
    }
    std::vector<DirectoryEntry> entries;
    Problem problem;
    if (!PlatformListDirectory(dir, entries, problem)) return FailProblem("Z_DeleteFiles", "list", dir, problem);
    OneFlushPerFolder batch("Z_DeleteFiles");
    int result = 1;
    std::string firstFailure;
    for (const DirectoryEntry& entry : entries) {
        if (entry.kind == FileKind::Directory) continue;
        // A character the code page cannot write shows as '?', which only
        // a wildcard matches, as in the system's own wildcard search.
        if (!MatchesWildcard(entry.name, wildcard)) continue;
        const std::string path = InFolder(dir, entry.name);
        std::string reason;
        if (!entry.exact) reason = "its name cannot be written in the system code page";
        bool removed = false;
        if (reason.empty() && JournalBeforeChange("Z_DeleteFiles", path.c_str(), JournalChange::Remove, LastName::Itself)) {
            NoteBeforeWrite(path.c_str());
            removed = PlatformDeleteFile(path.c_str(), problem);
            if (!removed) reason = problem.text;
        }
        if (removed) NoteDeleted(path.c_str());
        if (!removed && reason.empty()) reason = Z_GetLastErrorPrompt(nullptr, 0);
        // Go on with the other files; the first failure is the one reported.
        if (!removed && result == 1) {
            result = 0;
            firstFailure = path + ": " + reason;
        }
    }
    if (result == 0) return Fail(Z_ERROR_IO, "Z_DeleteFiles: cannot delete %s", firstFailure.c_str());
    return batch.End() ? 1 : 0;
}

int Z_GetFileSize(const char* path, uint64_t* size) {
    if (Z_FaultPoint("Z_GetFileSize")) return 0;
    if (RejectEmptyPath("Z_GetFileSize", path)) return 0;
    if (size == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFileSize: no size given");
    FileFacts facts;
    Problem problem;
    if (!PlatformFacts(path, LastName::Follow, facts, problem)) {
        return FailProblem("Z_GetFileSize", "read the size of", path, problem);
    }
    if (facts.kind != FileKind::Regular) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_GetFileSize: cannot read the size of %s: No such file", path);
    }
    *size = facts.size;
    return 1;
}
