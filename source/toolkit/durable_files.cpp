#include "durable_files.h"

#include <vector>

#include "crc32c.h"
#include "made_files.h"
#include "path_lexical.h"

namespace zel::toolkit {
namespace {

// The folders a change touched, flushed now or owed (durable_layer.h).
Status FlushTouched(FileSystem& files, const Touched& touched) {
    const Path folder = SplitLast(touched.name).folder;
    if (Status flushed = files.FlushFolder(folder); !flushed.ok()) return flushed.At(folder);
    if (touched.otherName.empty()) return Status();
    const Path other = SplitLast(touched.otherName).folder;
    if (other == folder) return Status();
    Status flushed = files.FlushFolder(other);
    return flushed.ok() ? flushed : flushed.At(other);
}

Status CloseBoth(File& first, File& second, Status status) {
    Status closed = first.Close();
    Status alsoClosed = second.Close();
    if (!status.ok()) return status;
    return closed.ok() ? alsoClosed : closed;
}

bool SameIdentity(const Facts& a, const Facts& b) { return a.volume == b.volume && a.index == b.index; }

// Whatever moved is at name now: it must be the file opened here.
Status CheckArrived(FileSystem& files, const Path& name, const Facts& opened, const char* refusal) {
    Result<Facts> named = files.Look(name, Last::Itself);
    if (!named.ok()) return named.TakeStatus().At(name);
    if (named->kind != Kind::Regular || !SameIdentity(*named, opened)) return Status::Refused(Code::NotOwn, refusal).At(name);
    return Status();
}

// Copies the open source into target's folder when the two lie on
// different volumes (a link into another one), so that the final move is
// one step; the copy takes the attributes (else the source's own) on its
// own descriptor.
Status MoveAcross(FileSystem& files, File& source, const Facts& sourceFacts, const Path& sourcePath,
                  const Path& target, const Attributes* attributes) {
    Result<Path> resolved = files.Resolve(target, Last::Follow);
    if (!resolved.ok()) return resolved.TakeStatus().At(target);
    const Path staged = *resolved + ".zel-move";
    Result<std::unique_ptr<File>> made = CreateNew(files, staged);
    if (!made.ok()) return made.TakeStatus().At(staged);
    File& copy = **made;
    const Attributes kept = attributes != nullptr
                                ? *attributes
                                : Attributes{static_cast<int32_t>(sourceFacts.mode & 0777), sourceFacts.owner,
                                             sourceFacts.group};
    Result<Facts> copyFacts = copy.Look();
    Status copied = copyFacts.ok() ? CopyBytes(source, copy) : copyFacts.status();
    if (copied.ok()) copied = copy.SetAttributes(kept);
    if (copied.ok()) copied = copy.Flush();
    if (Status closed = copy.Close(); copied.ok()) copied = closed;
    Touched touched;
    if (copied.ok()) copied = files.Rename(staged, *resolved, RenameMode::Replace, &touched);
    if (!copied.ok()) {
        (void)files.Remove(staged);
        return copied.At(staged);
    }
    if (Status arrived = CheckArrived(files, *resolved, *copyFacts, "another file took its name while it was moved there");
        !arrived.ok()) {
        return arrived;
    }
    ForgetMadeFile(*copyFacts);
    if (Status flushed = FlushTouched(files, touched); !flushed.ok()) return flushed;
    return RemoveDurably(files, sourcePath);
}

// A work file moves over a target only while it is still the file this
// process made there, and owned as it made it.
Status CheckMadeHere(File& file, const Facts& facts) {
    Result<Ownership> ownership = file.Owner();
    if (!ownership.ok()) return ownership.TakeStatus();
    if (WasMadeHere(facts) && ownership->trusted) return Status();
    return Status::Refused(Code::NotOwn, "it is no longer the file this program wrote there");
}

}  // namespace

Result<std::unique_ptr<File>> CreateNew(FileSystem& files, const Path& path, bool ownerOnly) {
    Result<Facts> facts = files.Look(path, Last::Itself);
    if (!facts.ok()) return facts.TakeStatus();
    if (facts->kind == Kind::Folder) return Status::Refused(Code::IsFolder, "it is a directory");
    if (facts->kind != Kind::Missing) {
        if (Status removed = files.Remove(path); !removed.ok() && !removed.IsNotFound()) return removed;
    }
    const OpenOptions options{OpenMode::CreateOnly, Last::Itself, ownerOnly};
    Result<std::unique_ptr<File>> opened = files.Open(path, options);
    if (opened.ok() || opened.status().code() != Code::Exists) return opened;
    // Taken after all: a name made since the look, or a link of the host
    // that leads nowhere, which Wine lists as no name at all.
    if (Status removed = files.Remove(path); !removed.ok() && !removed.IsNotFound()) return removed;
    return files.Open(path, options);
}

Status TargetAttributes(FileSystem& files, const Path& target, Attributes& attributes, bool& found) {
    Result<Facts> facts = files.Look(target, Last::Follow);
    if (!facts.ok()) return facts.TakeStatus().At(target);
    found = facts->kind == Kind::Regular;
    if (found) attributes = Attributes{static_cast<int32_t>(facts->mode & 0777), facts->owner, facts->group};
    return Status();
}

Status CopyAttributes(FileSystem& files, File& source, const Path& target, Attributes& attributes) {
    Result<Ownership> owner = source.Owner();
    if (!owner.ok()) return owner.TakeStatus().At(source.path());
    Attributes replaced;
    bool replaces = false;
    if (Status looked = TargetAttributes(files, target, replaced, replaces); !looked.ok()) return looked;
    attributes.mode = static_cast<int32_t>(((replaces ? static_cast<uint32_t>(replaced.mode) : owner->mode) & 0777) | 0200);
    const bool keepReplaced = replaces && owner->trusted;
    attributes.owner = keepReplaced ? replaced.owner : owner->user;
    attributes.group = keepReplaced ? replaced.group : owner->group;
    return Status();
}

Status ReplaceDurably(FileSystem& files, const Path& source, const Path& target, const Attributes* attributes,
                      Moving from) {
    Result<std::unique_ptr<File>> opened = files.Open(source, OpenOptions{OpenMode::Settle, Last::Itself});
    if (!opened.ok()) return opened.TakeStatus().At(source);
    // From here on the file is the one open here, whatever its name holds.
    File& file = **opened;
    Result<Facts> facts = file.Look();
    Status settled = facts.ok() ? Status() : facts.status();
    if (settled.ok() && from == Moving::MadeHere) settled = CheckMadeHere(file, *facts);
    // On the open file itself, before it takes the name: nothing swapped in
    // under its name since can take them.
    if (settled.ok() && attributes != nullptr) settled = file.SetAttributes(*attributes);
    if (settled.ok()) settled = file.Flush();
    if (!settled.ok()) {
        (void)file.Close();
        return settled.At(source);
    }
    Touched touched;
    Status moved = files.Rename(source, target, RenameMode::Replace, &touched);
    if (moved.code() == Code::Unsupported) {
        moved = MoveAcross(files, file, *facts, source, target, attributes);
    } else if (moved.ok() && !touched.name.empty()) {
        moved = CheckArrived(files, touched.name, *facts, "another file took the work file's name before it was moved");
    }
    // The bytes were flushed before the move: a close that fails after it
    // loses nothing, and the file has its new name. Said as a failure, it
    // would have the caller take the old file for still in place (and, say,
    // keep the new one as the backup of the old).
    (void)file.Close();
    if (!moved.ok()) return moved;
    ForgetMadeFile(*facts);
    if (!touched.name.empty()) return FlushTouched(files, touched);
    return Status();
}

Status RenameDurably(FileSystem& files, const Path& from, const Path& to,
                     const std::function<bool(const Facts&)>& changedHere) {
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    Result<Facts> facts = files.Look(from, Last::Itself);
    if (!facts.ok()) return facts.TakeStatus().At(from);
    if (facts->kind == Kind::Regular && changedHere(*facts)) {
        if (Status flushed = FlushFile(files, from, Last::Itself); !flushed.ok()) return flushed;
    }
    // One step that never replaces a file: a stop leaves the old name or the
    // new one, never both and never neither.
    Touched touched;
    if (Status moved = files.Rename(from, to, RenameMode::NoReplace, &touched); !moved.ok()) return moved;
    return FlushTouched(files, touched);
}

Status KeepSecondName(FileSystem& files, const Path& path, const Path& backup) {
    Result<Facts> facts = files.Look(path, Last::Itself);
    if (!facts.ok()) return facts.TakeStatus().At(path);
    // A link, a file with other names (a change under one of them would
    // show in the backup) or a set-id file is copied, as ever.
    if (facts->kind != Kind::Regular || facts->links != 1 || (facts->mode & 07000) != 0) {
        return Status::Refused(Code::Unsupported, "not a file of one name");
    }
    Result<Facts> there = files.Look(backup, Last::Itself);
    if (!there.ok()) return there.TakeStatus().At(backup);
    // The backup a stopped run made of this very file is in place.
    if (there->kind == Kind::Regular && SameIdentity(*there, *facts)) {
        return Status();
    }
    const Path work = backup + ".zel-copy";
    // Whatever holds the work name (a stopped run's, a planted link) goes
    // as a name first.
    if (Status cleared = files.Remove(work); !cleared.ok() && !cleared.IsNotFound()) return cleared.At(work);
    // A second name refused for any reason (no links here, another
    // volume, a file the running user may read but not write where the
    // system guards links) leaves no name behind: the copy is made instead.
    if (Status linked = files.Link(path, work); !linked.ok()) {
        return Status::Refused(Code::Unsupported, "no second name is given here");
    }
    // Its bytes reached the disk before this run (it never wrote them): the
    // name alone moves, over what the backup's name holds, and its folder is
    // flushed.
    Touched touched;
    Status moved = files.Rename(work, backup, RenameMode::Replace, &touched);
    if (moved.ok() && !touched.name.empty()) {
        moved = CheckArrived(files, touched.name, *facts, "another file took the backup's name as it was made");
    }
    if (!moved.ok()) {
        (void)files.Remove(work);
        return moved;
    }
    return touched.name.empty() ? Status() : FlushTouched(files, touched);
}

Status RemoveDurably(FileSystem& files, const Path& path) {
    Touched touched;
    if (Status removed = files.Remove(path, &touched); !removed.ok()) return removed;
    return FlushTouched(files, touched);
}

Status RemoveFolderDurably(FileSystem& files, const Path& path) {
    Touched touched;
    if (Status removed = files.RemoveFolder(path, &touched); !removed.ok()) return removed;
    return FlushTouched(files, touched);
}

namespace {

Status MakeMissingFolders(FileSystem& files, const Path& path, bool ownerOnly, Path* nameOwedIn) {
    Result<Facts> facts = files.Look(path, Last::Follow);
    if (!facts.ok()) return facts.TakeStatus().At(path);
    if (facts->kind == Kind::Folder) return Status();
    if (facts->kind != Kind::Missing) return Status::Refused(Code::Exists, "a file of that name exists");
    // A folder above may be missing: it is made first, then this one; as
    // private as this one, since whoever may change a folder above may move
    // this one away and put another in its place.
    LexicalPath lexical;
    if (!MakeLexical(path, lexical) || lexical.names.empty()) return Status::FromErrno(ENOENT);
    if (lexical.names.size() > 1) {
        const Path above = lexical.Prefix(lexical.names.size() - 1);
        if (Status made = MakeMissingFolders(files, above, ownerOnly, nullptr); !made.ok()) {
            return made;
        }
    }
    Touched touched;
    Status made = files.MakeFolder(lexical.Text(), ownerOnly, &touched);
    if (made.code() == Code::Exists) {
        // Made meanwhile, by another run or this one's own link.
        Result<Facts> again = files.Look(path, Last::Follow);
        if (again.ok() && again->kind == Kind::Folder) return Status();
    }
    if (!made.ok()) return made;
    if (nameOwedIn != nullptr) {
        *nameOwedIn = SplitLast(touched.name).folder;
        return Status();
    }
    return FlushTouched(files, touched);
}

}  // namespace

Status MakeFolders(FileSystem& files, const Path& path, bool ownerOnly, Path* nameOwedIn) {
    if (nameOwedIn != nullptr) nameOwedIn->clear();
    if (Status made = MakeMissingFolders(files, path, ownerOnly, nameOwedIn); !made.ok() || !ownerOnly) return made;
    Result<Ownership> ownership = files.Owner(path, Last::Follow);
    if (!ownership.ok()) return ownership.TakeStatus().At(path);
    return OwnStatus(*ownership);
}

Status FlushFile(FileSystem& files, const Path& path, Last last) {
    Result<std::unique_ptr<File>> opened = files.Open(path, OpenOptions{OpenMode::Settle, last});
    if (!opened.ok()) return opened.TakeStatus().At(path);
    Status flushed = (*opened)->Flush();
    Status closed = (*opened)->Close();
    return (flushed.ok() ? closed : flushed).At(path);
}

Status CopyBytes(File& from, File& to, uint64_t* length, uint32_t* crc) {
    std::vector<char> block(1 << 20);
    uint64_t offset = 0;
    uint32_t sum = 0;
    for (;;) {
        Result<size_t> count = from.ReadAt(offset, block.data(), block.size());
        if (!count.ok()) return count.TakeStatus().At(from.path());
        if (*count == 0) break;
        if (Status written = to.WriteAt(offset, block.data(), *count); !written.ok()) return written.At(to.path());
        if (crc != nullptr) sum = Crc32c(sum, block.data(), *count);
        offset += *count;
    }
    if (length != nullptr) *length = offset;
    if (crc != nullptr) *crc = sum;
    return Status();
}

Status ChecksumBytes(File& file, uint64_t* length, uint32_t* crc) {
    std::vector<char> block(1 << 20);
    *length = 0;
    *crc = 0;
    for (;;) {
        Result<size_t> count = file.ReadAt(*length, block.data(), block.size());
        if (!count.ok()) return count.TakeStatus().At(file.path());
        if (*count == 0) return Status();
        *crc = Crc32c(*crc, block.data(), *count);
        *length += *count;
    }
}

Status CopyToNew(FileSystem& files, const Path& source, Last last, const Path& copy, const Attributes* attributes) {
    Result<std::unique_ptr<File>> in = files.Open(source, OpenOptions{OpenMode::Read, last});
    if (!in.ok()) return in.TakeStatus().At(source);
    Result<std::unique_ptr<File>> out = CreateNew(files, copy);
    if (!out.ok()) return out.TakeStatus().At(copy);
    Status copied = CopyBytes(**in, **out);
    if (copied.ok() && attributes != nullptr) copied = (*out)->SetAttributes(*attributes);
    if (copied.ok()) copied = (*out)->Flush();
    return CloseBoth(**in, **out, copied);
}

Status SeparateHardLinks(FileSystem& files, const Path& path, Last last) {
    Result<Facts> facts = files.Look(path, last);
    if (!facts.ok()) return facts.TakeStatus().At(path);
    if (facts->kind != Kind::Regular || facts->links <= 1) return Status();
    Result<Path> resolved = files.Resolve(path, last);
    if (!resolved.ok()) return resolved.TakeStatus().At(path);
    const Path copy = *resolved + ".zel-copy";
    const Attributes attributes{static_cast<int32_t>(facts->mode & 0777), facts->owner, facts->group};
    Status separated = CopyToNew(files, *resolved, Last::Itself, copy, &attributes);
    if (separated.ok()) separated = ReplaceDurably(files, copy, *resolved, nullptr);
    if (!separated.ok()) (void)files.Remove(copy);
    return separated;
}

}  // namespace zel::toolkit
