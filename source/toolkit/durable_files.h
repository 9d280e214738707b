// What the toolkit's public calls and its file journal do with files,
// composed once over the table of file operations (file_system.h): each
// change in an order a crash of the machine cannot undo half. A new file's
// bytes reach the disk before it takes its name; a changed name's folder is
// flushed after the change (by the durable layer, now or once for a batch).
#pragma once

#include <cstdint>
#include <memory>

#include "file_system.h"

namespace zel::toolkit {

// A new empty file: whatever holds the name (a file left by a stopped run,
// a link someone planted) goes as a name first, and the file is made where
// no link can lead. A folder there is refused.
Result<std::unique_ptr<File>> CreateNew(FileSystem& files, const Path& path, bool ownerOnly = false);

// The attributes a file takes the name of target with: target's
// permission bits and owner (found false when no file is there).
Status TargetAttributes(FileSystem& files, const Path& target, Attributes& attributes, bool& found);

// Moves source (the name itself, a file) over target (a link there has
// the file it names replaced): source's bytes flushed and attributes set on
// its own descriptor, the name moved, the folders flushed. Across volumes
// (a link into another one) by a copy beside the target and a rename
// there.
Status ReplaceDurably(FileSystem& files, const Path& source, const Path& target, const Attributes* attributes);

// Renames the name from to the free name to in one step; a file's bytes
// reach the disk first.
Status RenameDurably(FileSystem& files, const Path& from, const Path& to);

Status RemoveDurably(FileSystem& files, const Path& path);
Status RemoveFolderDurably(FileSystem& files, const Path& path);

// A folder and the missing ones above it, each flushed into its parent.
Status MakeFolders(FileSystem& files, const Path& path);

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
