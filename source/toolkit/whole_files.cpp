// Operations on whole files: copy, rename, replace, delete, size. Each is
// composed over the table of file operations (durable_files.h), so that it
// reaches the disk in an order a crash cannot undo half.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "durable_files.h"
#include "env.h"
#include "fault_table.h"
#include "path_lexical.h"
#include "path_text.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

// Copies the bytes of source into a work file beside target and moves it
// over target, so that a failed copy never leaves a half target.
int CopyOver(const char* operation, const std::string& source, const std::string& target) {
    FileSystem& files = Files();
    Result<std::unique_ptr<File>> in = files.Open(source, OpenOptions{OpenMode::Read, Last::Follow});
    if (!in.ok()) return FailStatus(operation, "open", source, in.status());
    const std::string temporary = target + ".zel-copy";
    // A program copied under another name stays runnable, but the copy is
    // never read-only and never set-id, and belongs to whom the source
    // belongs when another account owns it (durable_files.h). Who owns the
    // bytes copied is asked of the file open here, not of a name that may
    // lead elsewhere by the time the copy is made.
    Attributes attributes;
    if (Status taken = CopyAttributes(files, **in, target, attributes); !taken.ok()) {
        return FailStatus(operation, taken.path() == source ? "open" : "replace",
                          taken.path().empty() ? target : taken.path(), taken);
    }
    Result<std::unique_ptr<File>> out = CreateNew(files, temporary);
    if (!out.ok()) return FailStatus(operation, "create", temporary, out.status());
    Status copied = CopyBytes(**in, **out);
    Status closed = (*out)->Close();
    (void)(*in)->Close();
    if (copied.ok()) copied = closed;
    if (!copied.ok()) {
        (void)files.Remove(temporary);
        return FailStatus(operation, copied.path() == source ? "read" : "write", copied.path(), copied);
    }
    if (Status replaced = ReplaceDurably(files, temporary, target, &attributes); !replaced.ok()) {
        (void)files.Remove(temporary);
        return FailStatus(operation, "replace", target, replaced);
    }
    return 1;
}

struct CopyEntry {
    bool directory = false;
    std::string source;
    std::string target;
};

// The tree below source, folders before what they hold. A link in it is
// followed where the link rule allows it.
bool ListTree(const std::string& source, const std::string& target, std::vector<CopyEntry>& entries, int depth) {
    Result<std::vector<Entry>> names = Files().List(source);
    if (!names.ok()) return FailStatus("Z_DuplicateDir", "list", source, names.status());
    for (const Entry& name : *names) {
        CopyEntry entry;
        entry.source = JoinName(source, name.name);
        entry.target = JoinName(target, name.name);
        Kind kind = name.kind;
        if (kind == Kind::Link) {
            Result<Facts> followed = Files().Look(entry.source, Last::Follow);
            if (!followed.ok()) return FailStatus("Z_DuplicateDir", "follow", entry.source, followed.status());
            kind = followed->kind;
        }
        if (kind != Kind::Regular && kind != Kind::Folder) continue;
        if (!name.exact) return FailCodePage("Z_DuplicateDir", "the name of", entry.source);
        entry.directory = kind == Kind::Folder;
        entries.push_back(entry);
        if (entry.directory) {
            if (depth > 64) return Fail(Z_ERROR_TOO_LONG, "Z_DuplicateDir: %s lies too deep", entry.source.c_str());
            if (!ListTree(entry.source, entry.target, entries, depth + 1)) return false;
        }
    }
    return true;
}

// Copies the listed tree: each folder made before what it holds.
bool CopyTree(const std::vector<CopyEntry>& entries, const char* target, ZCopyCallback callback) {
    if (Status made = MakeFolders(Files(), target); !made.ok()) {
        return FailStatus("Z_DuplicateDir", "create", target, made);
    }
    for (const CopyEntry& entry : entries) {
        if (entry.directory) {
            if (Status made = MakeFolders(Files(), entry.target); !made.ok()) {
                return FailStatus("Z_DuplicateDir", "create", entry.target, made);
            }
            continue;
        }
        if (!CopyOver("Z_DuplicateDir", entry.source, entry.target)) return false;
        if (callback != nullptr) callback(entry.target.c_str());
    }
    return true;
}

// The many names one call changes reach the disk together: each folder is
// flushed once, at the end (durable_layer.h).
class OneFlushPerFolder {
public:
    explicit OneFlushPerFolder(const char* operation) : operation_(operation) { Env::Get().Durable().BeginBatch(); }
    ~OneFlushPerFolder() {
        if (!ended_) (void)Env::Get().Durable().EndBatch();
    }
    OneFlushPerFolder(const OneFlushPerFolder&) = delete;
    OneFlushPerFolder& operator=(const OneFlushPerFolder&) = delete;

    bool End() {
        ended_ = true;
        Status flushed = Env::Get().Durable().EndBatch();
        return flushed.ok() || FailStatus(operation_, "flush the folder", flushed.path(), flushed);
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

// What a name holds, or the failure of the call that cannot tell.
bool KindAt(const char* operation, const char* action, const std::string& path, Last last, Kind& kind) {
    Result<Facts> facts = Files().Look(path, last);
    if (!facts.ok()) return FailStatus(operation, action, path, facts.status());
    kind = facts->kind;
    return true;
}

// Moves source over target: target itself (Last::Itself: a link there goes as a
// name) or what a link there names. A record keeps the private attributes
// it was made with; anything else takes those of the file it replaces.
int Replace(const char* source, const char* target, LastName last, bool record = false) {
    FileSystem& files = Files();
    if (last == LastName::Itself) {
        Kind kind = Kind::Missing;
        if (!KindAt("Z_ReplaceFile", "replace", target, Last::Itself, kind)) return 0;
        if (kind == Kind::Link) {
            if (Status removed = RemoveDurably(files, target); !removed.ok()) {
                return FailStatus("Z_ReplaceFile", "replace", target, removed);
            }
        }
    }
    Attributes attributes;
    bool replaces = false;
    if (!record) {
        if (Status looked = TargetAttributes(files, target, attributes, replaces); !looked.ok()) {
            return FailStatus("Z_ReplaceFile", "replace", target, looked);
        }
    }
    if (Status replaced = ReplaceDurably(files, source, target, replaces ? &attributes : nullptr); !replaced.ok()) {
        return FailStatus("Z_ReplaceFile", "move", std::string(source) + " over " + target, replaced);
    }
    return 1;
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
    const EntryPoint call("Z_CloneFile");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_CloneFile", source) || RejectEmptyPath("Z_CloneFile", target)) return 0;
    return CopyOver("Z_CloneFile", source, target);
}

int Z_KeepBackup(const char* path, const char* backup) {
    const EntryPoint call("Z_KeepBackup");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_KeepBackup", path) || RejectEmptyPath("Z_KeepBackup", backup)) return 0;
    Status kept = KeepSecondName(Files(), path, backup);
    if (kept.code() == Code::Unsupported) return CopyOver("Z_KeepBackup", path, backup);
    return kept.ok() ? 1 : FailStatus("Z_KeepBackup", "keep a backup of", std::string(path) + " as " + backup, kept);
}

int Z_DuplicateDir(const char* source, const char* target, ZCopyCallback callback, int /*flags*/) {
    const EntryPoint call("Z_DuplicateDir");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_DuplicateDir", source) || RejectEmptyPath("Z_DuplicateDir", target)) return 0;
    Kind kind = Kind::Missing;
    if (!KindAt("Z_DuplicateDir", "copy", source, Last::Follow, kind)) return 0;
    if (kind != Kind::Folder) return Fail(Z_ERROR_NOT_FOUND, "Z_DuplicateDir: %s is not a directory", source);
    // The whole tree is listed before anything is copied, so that a name
    // the system code page cannot write (the callback receives each copy's
    // narrow path) stops the copy before it begins rather than halfway.
    std::vector<CopyEntry> entries;
    if (!ListTree(source, target, entries, 0)) return 0;
    OneFlushPerFolder batch("Z_DuplicateDir");
    return CopyTree(entries, target, callback) && batch.End() ? 1 : 0;
}

int Z_RenameFile(const char* oldPath, const char* newPath) {
    const EntryPoint call("Z_RenameFile");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_RenameFile", oldPath) || RejectEmptyPath("Z_RenameFile", newPath)) return 0;
    const std::string both = std::string(oldPath) + " to " + newPath;
    // A rename must never destroy a file, as on Windows.
    Result<Facts> target = Files().Look(newPath, Last::Itself);
    if (!target.ok()) return FailStatus("Z_RenameFile", "rename", both, target.status());
    if (target->kind != Kind::Missing) {
        return Fail(Z_ERROR_EXISTS, "Z_RenameFile: cannot rename %s to %s: the new name exists", oldPath, newPath);
    }
    Result<Facts> source = Files().Look(oldPath, Last::Itself);
    if (!source.ok()) return FailStatus("Z_RenameFile", "rename", both, source.status());
    if (source->kind == Kind::Missing) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_RenameFile: cannot rename %s to %s: No such file or directory", oldPath,
                    newPath);
    }
    if (Status renamed = RenameDurably(Files(), oldPath, newPath, ChangedHere); !renamed.ok()) {
        return FailStatus("Z_RenameFile", "rename", both, renamed);
    }
    return 1;
}

int Z_ReplaceFile(const char* source, const char* target) {
    const EntryPoint call("Z_ReplaceFile");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_ReplaceFile", source) || RejectEmptyPath("Z_ReplaceFile", target)) return 0;
    Kind kind = Kind::Missing;
    if (!KindAt("Z_ReplaceFile", "move", source, Last::Itself, kind)) return 0;
    if (kind != Kind::Regular) return Fail(Z_ERROR_NOT_FOUND, "Z_ReplaceFile: cannot move %s: no such file", source);
    return Replace(source, target, LastName::Follow);
}

int Z_WriteWholeFile(const char* path, const void* data, int64_t size, uint32_t flags) {
    const EntryPoint call("Z_WriteWholeFile", false);
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
        // The program's own files (Z_NO_LINK) take the new content under
        // their name itself: a link planted there is replaced, never
        // followed. A record (Z_OWN_FILE) keeps the private attributes it
        // was made with.
        if ((flags & (Z_NO_LINK | Z_OWN_FILE)) != 0) {
            const EntryPoint replace("Z_ReplaceFile");
            if (replace.Failed()) {
                written = false;
            } else if (Replace(work.c_str(), path, LastName::Itself, record) != 0) {
                return 1;
            }
        } else if (Z_ReplaceFile(work.c_str(), path) != 0) {
            return 1;
        }
    }
    // Keep the error that stopped the write, not one of the clean-up.
    const uint32_t code = Z_GetLastError();
    const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    Result<Facts> left = Files().Look(work, Last::Itself);
    if (!left.ok() || left->kind != Kind::Missing) Z_DeleteFile(work.c_str());
    Z_SetLastErrorText(code, "%s", text.c_str());
    return 0;
}

int Z_DeleteFile(const char* path) {
    const EntryPoint call("Z_DeleteFile");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_DeleteFile", path)) return 0;
    Kind kind = Kind::Missing;
    if (!KindAt("Z_DeleteFile", "delete", path, Last::Itself, kind)) return 0;
    if (kind == Kind::Missing) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DeleteFile: cannot delete %s: No such file or directory", path);
    }
    if (kind == Kind::Folder) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFile: cannot delete %s: it is a directory", path);
    if (Status removed = RemoveDurably(Files(), path); !removed.ok()) return FailStatus("Z_DeleteFile", "delete", path, removed);
    return 1;
}

int Z_DeleteFiles(const char* dir, const char* wildcard) {
    const EntryPoint call("Z_DeleteFiles");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_DeleteFiles", dir)) return 0;
    if (wildcard == nullptr || wildcard[0] == '\0') {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFiles: no wildcard given");
    }
    Result<std::vector<Entry>> entries = Files().List(dir);
    if (!entries.ok()) return FailStatus("Z_DeleteFiles", "list", dir, entries.status());
    OneFlushPerFolder batch("Z_DeleteFiles");
    int result = 1;
    std::string firstFailure;
    for (const Entry& entry : *entries) {
        if (entry.kind == Kind::Folder) continue;
        // A character the code page cannot write shows as '?', which only
        // a wildcard matches, as in the system's own wildcard search.
        if (!MatchesWildcard(entry.name, wildcard)) continue;
        const std::string path = JoinName(dir, entry.name);
        std::string reason;
        if (!entry.exact) reason = "its name cannot be written in the system code page";
        bool removed = false;
        if (reason.empty()) {
            Status status = RemoveDurably(Files(), path);
            removed = status.ok();
            if (!removed) reason = status.reason();
        }
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
    const EntryPoint call("Z_GetFileSize");
    if (call.Failed()) return 0;
    if (RejectEmptyPath("Z_GetFileSize", path)) return 0;
    if (size == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFileSize: no size given");
    Result<Facts> facts = Files().Look(path, Last::Follow);
    if (!facts.ok()) return FailStatus("Z_GetFileSize", "read the size of", path, facts.status());
    if (facts->kind != Kind::Regular) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_GetFileSize: cannot read the size of %s: No such file", path);
    }
    *size = facts->size;
    return 1;
}

int Z_BeginDurableBatch() {
    Env::Get().Durable().BeginBatch();
    return 1;
}

int Z_EndDurableBatch() {
    const EntryPoint call("Z_EndDurableBatch", false);
    DurableLayer& durable = Env::Get().Durable();
    if (!durable.InBatch()) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_EndDurableBatch: no batch is open");
    Status flushed = durable.EndBatch();
    return flushed.ok() ? 1 : FailStatus("Z_EndDurableBatch", "flush the folder", flushed.path(), flushed);
}
