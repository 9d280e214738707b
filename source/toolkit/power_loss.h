// A test's power cut (ZEL_FAULT_END=power): the toolkit notes what a crash
// of the machine could still take back, and takes it back before it ends
// the process. Off by default; no note costs anything then.
#pragma once

#include <string>

namespace zel::toolkit {

void TrackPowerLoss(bool on);

// Before a file is written (made, truncated, or opened to change in place),
// and before a name is replaced or removed: what the disk holds under the
// name now.
void NoteBeforeWrite(const char* path);
// The file's bytes reached the disk.
void NoteFlushed(const char* path);
// A move of from over to. It is on the disk at once unless a folder of it
// owes a flush (durable_layer.h); until that folder is flushed, a power cut
// takes the move back.
void NoteMoved(const char* from, const char* to);
// A removal of a name, on the disk likewise.
void NoteDeleted(const char* path);
// A second name, linkName, for the file at existing; on the disk once its
// folder is flushed.
void NoteLinked(const char* existing, const char* linkName);
// The folder that holds path, or the folder itself, was flushed: the names
// made, moved and removed in it are durable.
void NoteFolderFlushed(const char* path);
void NoteDirectoryFlushed(const char* folder);

// Puts every noted file back as the disk holds it: bytes written since the
// file's last flush are lost, a file made since its folder was last flushed
// is gone, and a move or removal whose folder was not flushed since is
// taken back.
void LoseUnflushedWrites();

}  // namespace zel::toolkit
