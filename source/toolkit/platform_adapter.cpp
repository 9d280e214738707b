// The toolkit's platform calls (toolkit_platform.h) over the table of file
// operations, while the callers move onto the table itself: each composes
// the operations and the flushes its call made before.
#include <string>
#include <vector>

#include "env.h"
#include "durable_files.h"
#include "path_lexical.h"
#include "platform_files.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

PlatformFileSystem& Platform() { return Env::Get().Platform(); }

namespace {

bool Fails(Problem& problem, const Status& status) {
    problem = Problem{status.ToolkitCode(), status.reason()};
    return false;
}

FileKind OldKind(Kind kind) {
    switch (kind) {
        case Kind::Missing: return FileKind::Missing;
        case Kind::Regular: return FileKind::Regular;
        case Kind::Folder: return FileKind::Directory;
        case Kind::Link: return FileKind::Link;
        case Kind::Other: break;
    }
    return FileKind::Other;
}

Last LastOf(LastName last) { return last == LastName::Follow ? Last::Follow : Last::Itself; }

}  // namespace

bool PlatformFacts(const char* path, LastName last, FileFacts& facts, Problem& problem) {
    Result<Facts> found = Files().Look(path, LastOf(last));
    if (!found.ok()) return Fails(problem, found.status());
    facts = FileFacts{OldKind(found->kind), found->size, found->links, found->volume, found->index};
    return true;
}

bool PlatformOwnership(const char* path, LastName last, Ownership& ownership, Problem& problem) {
    Result<Ownership> owner = Files().Owner(path, LastOf(last));
    if (!owner.ok()) return Fails(problem, owner.status());
    ownership = *owner;
    return true;
}

std::string PlatformResolvedPath(const char* path) {
    Result<Path> resolved = Files().Resolve(path, Last::Follow);
    if (resolved.ok()) return *resolved;
    LexicalPath lexical;
    if (path != nullptr && MakeLexical(path, lexical)) return lexical.Text();
    return path != nullptr ? path : "";
}

bool PlatformListDirectory(const char* path, std::vector<DirectoryEntry>& entries, Problem& problem) {
    entries.clear();
    Result<std::vector<Entry>> listed = Files().List(path);
    if (!listed.ok()) return Fails(problem, listed.status());
    for (const Entry& entry : *listed) entries.push_back(DirectoryEntry{entry.name, OldKind(entry.kind), entry.exact});
    return true;
}

bool PlatformReplaceFile(const char* source, const char* target, ReplaceSource from,
                         const FileAttributes* attributes, Problem& problem) {
    Attributes given;
    if (attributes != nullptr) {
        given = Attributes{static_cast<int32_t>(attributes->mode & 0777), attributes->user, attributes->group};
    }
    Status replaced = ReplaceDurably(Files(), source, target, attributes != nullptr ? &given : nullptr,
                                     from == ReplaceSource::MadeHere ? Moving::MadeHere : Moving::Saved);
    return replaced.ok() || Fails(problem, replaced);
}

bool PlatformDeleteFile(const char* path, Problem& problem) {
    Status removed = RemoveDurably(Files(), path);
    return removed.ok() || Fails(problem, removed);
}

LinkResult PlatformLinkFile(const char* existing, const char* newPath, Problem& problem) {
    Status linked = Files().Link(existing, newPath);
    if (linked.ok()) return LinkResult::Linked;
    Fails(problem, linked);
    return linked.code() == Code::Unsupported ? LinkResult::Unsupported : LinkResult::Failed;
}

bool PlatformMakeDirectories(const char* path, FolderAccess access, Problem& problem) {
    Status made = MakeFolders(Files(), path, access == FolderAccess::Private);
    return made.ok() || Fails(problem, made);
}

bool PlatformRemoveDirectory(const char* path, Problem& problem) {
    Status removed = RemoveFolderDurably(Files(), path);
    return removed.ok() || Fails(problem, removed);
}

bool PlatformFlushFile(const char* path, Problem& problem) {
    Status flushed = FlushFile(Files(), path, Last::Follow);
    return flushed.ok() || Fails(problem, flushed);
}

bool PlatformFlushDirectory(const char* path, Problem& problem) {
    Status flushed = Files().FlushFolder(path);
    return flushed.ok() || Fails(problem, flushed);
}

}  // namespace zel::toolkit
