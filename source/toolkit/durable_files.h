// What the toolkit's public calls and its file journal do with files,
// composed once over the table of file operations (file_system.h): each
// change in an order a crash of the machine cannot undo half. A new file's
// bytes reach the disk before it takes its name; a changed name's folder is
// flushed after the change (by the durable layer, now or once for a batch).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "file_system.h"

namespace zel::toolkit {

// A new empty file: whatever holds the name (a file left by a stopped run,
// a link someone planted) goes as a name first, and the file is made where
// no link can lead. A folder there is refused.
Result<std::unique_ptr<File>> CreateNew(FileSystem& files, const Path& path, bool ownerOnly = false);

// No file the toolkit writes ever gets a set-user-ID, set-group-ID or
// sticky bit: a program running as root that copied one from a folder
// another account can write would hand that account the administrator's
// rights.
//
// A replacement keeps what the administrator set on the file it replaces
// (target followed by the link rule): its permission bits and its owner
// (found false when no file is there: the new file keeps what it was made
// with).
Status TargetAttributes(FileSystem& files, const Path& target, Attributes& attributes, bool& found);

// A copy of the open source taking target's name: the permission bits of
// the file it replaces (else the source's), always writable by its owner
// (a package on read-only media must not leave copies the next upgrade
// cannot replace). Its owner is the source's when another account owns the
// source, as `cp -p` run as root keeps it, so that the administrator never
// gets a copy of someone else's program; else the replaced file's, or the
// source's for a new name.
Status CopyAttributes(FileSystem& files, File& source, const Path& target, Attributes& attributes);

// What moves over a target.
enum class Moving : uint8_t {
    // A work file this process made (CreateNew, OpenMode::CreateOnly):
    // refused when the name holds anything else by now, as another account
    // may arrange in a folder it can write.
    MadeHere,
    // A file of the home's own going back under its name (a second name the
    // file journal gave it): it keeps every attribute it has.
    Saved,
};

// Moves source (the name itself, a file) over target (a link there has
// the file it names replaced): source's bytes flushed and attributes set on
// its own descriptor, the name moved, the folders flushed; fails when,
// after the move, target holds anything but the file opened here. Across
// volumes (a link into another one) by a copy beside the target and a
// rename there.
Status ReplaceDurably(FileSystem& files, const Path& source, const Path& target, const Attributes* attributes,
                      Moving from = Moving::MadeHere);

// Renames the name from to the free name to in one step; the bytes of a
// file this process changed (changedHere, from the durable layer) reach the
// disk first. A file it never changed needs no flush: every file a run
// writes is flushed before it takes a name other than its work name, and
// one changed in place before the journal that protects it goes, so the
// bytes under such a name reached the disk before this process began.
Status RenameDurably(FileSystem& files, const Path& from, const Path& to,
                     const std::function<bool(const Facts&)>& changedHere);

// backup becomes a second name of path's file, which then stays under it
// when path is replaced; its bytes reached the disk before this process
// (it never wrote them), so the name alone moves over backup's, and its
// folder is flushed. Code::Unsupported where no second name is given (a
// file system without them, a refusal of the system), and for a link, a
// file with other names (a change under one of them would show in the
// backup) or a set-id file, which are copied.
Status KeepSecondName(FileSystem& files, const Path& path, const Path& backup);

Status RemoveDurably(FileSystem& files, const Path& path);
Status RemoveFolderDurably(FileSystem& files, const Path& path);

// A folder and the missing ones above it, each flushed into its parent.
// An owner-only one (the program's records) is made private, and when it
// is there already it must be the program's own (Code::NotOwn otherwise).
// With nameOwedIn, the folder at path itself, when made here, is not
// flushed into its parent: that parent is given there (left empty when
// nothing was made), and the caller owes its flush.
Status MakeFolders(FileSystem& files, const Path& path, bool ownerOnly = false, Path* nameOwedIn = nullptr);

Status FlushFile(FileSystem& files, const Path& path, Last last);

// The one copy loop: every byte of from appended to to from its start;
// length and crc (CRC-32C) of what was copied when asked.
Status CopyBytes(File& from, File& to, uint64_t* length = nullptr, uint32_t* crc = nullptr);

// The length and CRC-32C of the bytes of an open file.
Status ChecksumBytes(File& file, uint64_t* length, uint32_t* crc);

// Makes copy (a new name) hold source's bytes, flushed, with the
// attributes given.
Status CopyToNew(FileSystem& files, const Path& source, Last last, const Path& copy, const Attributes* attributes);

// When the file at path has more names than this one (hard links), it
// becomes a file of its own first: a copy that takes this name, so that a
// change in place shows under no other name.
Status SeparateHardLinks(FileSystem& files, const Path& path, Last last);

}  // namespace zel::toolkit
