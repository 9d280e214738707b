// A test's power cut (ZEL_FAULT_END=power): the toolkit notes what a crash
// of the machine could still take back, and takes it back before it ends
// the process. Off by default; no note costs anything then.
#pragma once

#include <string>

namespace zel::toolkit {

void TrackPowerLoss(bool on);

// Before a file is written (made, truncated, or opened to change in place).
void NoteBeforeWrite(const char* path);
// The file's bytes reached the disk.
void NoteFlushed(const char* path);
// A durable move of from over to (the directory entry reached the disk).
void NoteMoved(const char* from, const char* to);
// A durable removal.
void NoteDeleted(const char* path);
// The folder that holds path was flushed: the names made in it are durable.
void NoteFolderFlushed(const char* path);

// Puts every noted file back as the disk holds it: bytes written since the
// file's last flush are lost, and a file made since its directory was last
// flushed is gone.
void LoseUnflushedWrites();

}  // namespace zel::toolkit
