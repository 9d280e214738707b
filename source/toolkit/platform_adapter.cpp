// The toolkit's platform calls (toolkit_platform.h) over the table of file
// operations, while the callers move onto the table itself: each composes
// the operations and the flushes its call made before.
#include <cstdio>
#include <string>
#include <vector>

#include "env.h"
#include "flush_batch.h"
#include "path_lexical.h"
#include "platform_files.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

std::FILE* StreamOfFile(std::unique_ptr<File> file, const char* mode);

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

// After a name in the folder changed: flushed now, or once with the others
// of its batch (flush_batch.h).
bool FlushChanged(const std::string& name, Problem& problem) {
    const std::string folder = SplitLast(name).folder;
    if (folder.empty() || DeferFolderFlush(folder)) return true;
    if (Status flushed = Files().FlushFolder(folder); !flushed.ok()) return Fails(problem, flushed);
    FolderFlushMade(folder);
    return true;
}

bool FlushTouched(const Touched& touched, Problem& problem) {
    if (!FlushChanged(touched.name, problem)) return false;
    if (touched.otherName.empty() || SplitLast(touched.otherName).folder == SplitLast(touched.name).folder) {
        return true;
    }
    return FlushChanged(touched.otherName, problem);
}

bool FlushAndClose(const Path& path, Last last, const Attributes* attributes, Problem& problem) {
    Result<std::unique_ptr<File>> opened = Files().Open(path, OpenSpec{OpenMode::Settle, last});
    if (!opened.ok()) return Fails(problem, opened.status());
    File& file = **opened;
    if (Status flushed = file.Flush(); !flushed.ok()) return Fails(problem, flushed);
    // Only a privileged process may give a file away; the bits are what an
    // unprivileged one keeps.
    if (attributes != nullptr) {
        (void)file.SetAttributes(Attributes{attributes->mode, -1, -1});
        (void)file.SetAttributes(Attributes{-1, attributes->owner, attributes->group});
    }
    if (Status closed = file.Close(); !closed.ok()) return Fails(problem, closed);
    return true;
}

// The permission bits and owner of the file a replacement takes the name
// of, for the new file: carried false when no file is there.
bool TargetAttributes(const Path& target, Attributes& attributes, bool& carried, Problem& problem) {
    Result<Facts> facts = Files().Look(target, Last::Follow);
    if (!facts.ok()) return Fails(problem, facts.status());
    carried = facts->kind == Kind::Regular;
    if (carried) attributes = Attributes{static_cast<int32_t>(facts->mode), facts->owner, facts->group};
    return true;
}

bool CopyInto(const Path& source, const Path& copy, Problem& problem) {
    Result<std::unique_ptr<File>> in = Files().Open(source, OpenSpec{OpenMode::Read, Last::Itself});
    if (!in.ok()) return Fails(problem, in.status());
    Result<std::unique_ptr<File>> out = Files().Open(copy, OpenSpec{OpenMode::CreateOnly, Last::Itself});
    if (!out.ok()) return Fails(problem, out.status());
    std::vector<char> block(1 << 16);
    for (uint64_t offset = 0;;) {
        Result<size_t> count = (*in)->ReadAt(offset, block.data(), block.size());
        if (!count.ok()) return Fails(problem, count.status());
        if (*count == 0) break;
        if (Status written = (*out)->WriteAt(offset, block.data(), *count); !written.ok()) return Fails(problem, written);
        offset += *count;
    }
    if (Status flushed = (*out)->Flush(); !flushed.ok()) return Fails(problem, flushed);
    if (Status closed = (*out)->Close(); !closed.ok()) return Fails(problem, closed);
    return true;
}

// Copies source into target's folder when the two lie on different file
// systems (a link into another one), so that the final move is one step.
bool MoveAcross(const Path& source, const Path& target, Problem& problem) {
    Result<Path> resolved = Files().Resolve(target, Last::Follow);
    if (!resolved.ok()) return Fails(problem, resolved.status());
    const Path staged = *resolved + ".zel-move";
    (void)Files().Remove(staged);
    if (!CopyInto(source, staged, problem)) {
        (void)Files().Remove(staged);
        return false;
    }
    Attributes attributes;
    bool carried = false;
    if (!TargetAttributes(*resolved, attributes, carried, problem) ||
        !FlushAndClose(staged, Last::Itself, carried ? &attributes : nullptr, problem)) {
        (void)Files().Remove(staged);
        return false;
    }
    Touched touched;
    if (Status moved = Files().Rename(staged, *resolved, RenameMode::Replace, &touched); !moved.ok()) {
        (void)Files().Remove(staged);
        return Fails(problem, moved);
    }
    Touched removed;
    (void)Files().Remove(source, &removed);
    return FlushChanged(touched.name, problem) && (removed.name.empty() || FlushChanged(removed.name, problem));
}

}  // namespace

bool PlatformFacts(const char* path, LastName last, FileFacts& facts, Problem& problem) {
    Result<Facts> found = Files().Look(path, LastOf(last));
    if (!found.ok()) return Fails(problem, found.status());
    facts = FileFacts{OldKind(found->kind), found->size, found->links, found->volume, found->index};
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

std::FILE* PlatformOpenStream(const char* path, StreamMode mode, LastName last, Problem& problem) {
    OpenSpec spec{OpenMode::Read, LastOf(last)};
    const char* streamMode = "rb";
    switch (mode) {
        case StreamMode::Read: break;
        case StreamMode::Update:
            spec.mode = OpenMode::Update;
            streamMode = "r+b";
            break;
        case StreamMode::CreateNew:
        case StreamMode::CreatePrivate: {
            // Whatever holds the name (a file left by a stopped run, a link
            // someone planted) goes as a name; the new file is made where no
            // link can lead.
            Result<Facts> facts = Files().Look(path, Last::Itself);
            if (!facts.ok()) {
                Fails(problem, facts.status());
                return nullptr;
            }
            if (facts->kind == Kind::Folder) {
                problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"};
                return nullptr;
            }
            if (Status removed = Files().Remove(path); !removed.ok() && !removed.IsNotFound()) {
                Fails(problem, removed);
                return nullptr;
            }
            spec = OpenSpec{OpenMode::CreateOnly, Last::Itself, mode == StreamMode::CreatePrivate};
            streamMode = "w+b";
            break;
        }
        case StreamMode::CreateOnly:
        case StreamMode::CreateLog:
            spec = OpenSpec{OpenMode::CreateOnly, Last::Itself};
            spec.bookkeeping = mode == StreamMode::CreateLog;
            streamMode = "w+b";
            break;
    }
    Result<std::unique_ptr<File>> opened = Files().Open(path, spec);
    if (!opened.ok() && opened.status().code() == Code::Exists &&
        (mode == StreamMode::CreateNew || mode == StreamMode::CreatePrivate)) {
        // Taken after all: a name made since the removal, or a link of the
        // host that leads nowhere, which Wine lists as no name at all.
        (void)Files().Remove(path);
        opened = Files().Open(path, spec);
    }
    if (!opened.ok()) {
        Fails(problem, opened.status());
        return nullptr;
    }
    std::FILE* stream = StreamOfFile(opened.TakeValue(), streamMode);
    if (stream == nullptr) problem = Problem{Z_ERROR_IO, "it cannot be opened as a stream"};
    return stream;
}

bool PlatformReplaceFile(const char* source, const char* target, Problem& problem) {
    Attributes attributes;
    bool carried = false;
    if (!TargetAttributes(target, attributes, carried, problem)) return false;
    if (!FlushAndClose(source, Last::Itself, carried ? &attributes : nullptr, problem)) return false;
    Touched touched;
    Status moved = Files().Rename(source, target, RenameMode::Replace, &touched);
    if (moved.code() == Code::Unsupported) return MoveAcross(source, target, problem);
    if (!moved.ok()) return Fails(problem, moved);
    return FlushTouched(touched, problem);
}

bool PlatformRenameFile(const char* oldPath, const char* newPath, Problem& problem) {
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    Result<Facts> facts = Files().Look(oldPath, Last::Itself);
    if (!facts.ok()) return Fails(problem, facts.status());
    if (facts->kind == Kind::Regular && !FlushAndClose(oldPath, Last::Itself, nullptr, problem)) return false;
    Touched touched;
    if (Status moved = Files().Rename(oldPath, newPath, RenameMode::NoReplace, &touched); !moved.ok()) {
        return Fails(problem, moved);
    }
    return FlushTouched(touched, problem);
}

bool PlatformDeleteFile(const char* path, Problem& problem) {
    Touched touched;
    if (Status removed = Files().Remove(path, &touched); !removed.ok()) return Fails(problem, removed);
    return FlushChanged(touched.name, problem);
}

LinkResult PlatformLinkFile(const char* existing, const char* newPath, Problem& problem) {
    Status linked = Files().Link(existing, newPath);
    if (linked.ok()) return LinkResult::Linked;
    Fails(problem, linked);
    return linked.code() == Code::Unsupported ? LinkResult::Unsupported : LinkResult::Failed;
}

bool PlatformMakeDirectories(const char* path, Problem& problem) {
    Result<Facts> facts = Files().Look(path, Last::Follow);
    if (!facts.ok()) return Fails(problem, facts.status());
    if (facts->kind == Kind::Folder) return true;
    if (facts->kind != Kind::Missing) {
        problem = Problem{Z_ERROR_EXISTS, "a file of that name exists"};
        return false;
    }
    // A folder above may be missing: it is made first, then this one.
    LexicalPath lexical;
    if (!MakeLexical(path, lexical) || lexical.names.empty()) return Fails(problem, Status::FromErrno(ENOENT));
    const std::string parent = lexical.Prefix(lexical.names.size() - 1);
    if (!PlatformMakeDirectories(parent.c_str(), problem)) return false;
    Touched touched;
    Status made = Files().MakeFolder(lexical.Text(), &touched);
    if (made.code() == Code::Exists) {
        Result<Facts> again = Files().Look(path, Last::Follow);
        if (again.ok() && again->kind == Kind::Folder) return true;
    }
    if (!made.ok()) return Fails(problem, made);
    Status flushed = Files().FlushFolder(SplitLast(touched.name).folder);
    return flushed.ok() || Fails(problem, flushed);
}

bool PlatformRemoveDirectory(const char* path, Problem& problem) {
    Touched touched;
    if (Status removed = Files().RemoveFolder(path, &touched); !removed.ok()) return Fails(problem, removed);
    return FlushChanged(touched.name, problem);
}

bool PlatformCopyPermissions(const char* source, const char* copy, Problem& problem) {
    Result<Facts> facts = Files().Look(source, Last::Follow);
    if (!facts.ok()) return Fails(problem, facts.status());
    if (facts->kind != Kind::Regular) return Fails(problem, Status::FromErrno(ENOENT));
    Result<std::unique_ptr<File>> opened = Files().Open(copy, OpenSpec{OpenMode::Settle, Last::Itself});
    if (!opened.ok()) return Fails(problem, opened.status());
    Status set = (*opened)->SetAttributes(Attributes{static_cast<int32_t>(facts->mode | 0200), -1, -1});
    Status closed = (*opened)->Close();
    if (!set.ok()) return Fails(problem, set);
    return closed.ok() || Fails(problem, closed);
}

bool PlatformFlushFile(const char* path, Problem& problem) {
    return FlushAndClose(path, Last::Follow, nullptr, problem);
}

bool PlatformFlushDirectory(const char* path, Problem& problem) {
    Status flushed = Files().FlushFolder(path);
    return flushed.ok() || Fails(problem, flushed);
}

bool PlatformFlushDirectoryOf(const char* path, Problem& problem) {
    Result<Path> resolved = Files().Resolve(path, Last::Itself);
    if (!resolved.ok()) return Fails(problem, resolved.status());
    Status flushed = Files().FlushFolder(SplitLast(*resolved).folder);
    return flushed.ok() || Fails(problem, flushed);
}

}  // namespace zel::toolkit
