// Paths of the configuration files, built in fixed path buffers.
#pragma once

#include "zelkit.h"

// Writes first, second and third one after another into path (room:
// Z_MAX_PATH). False, with an empty path, when the result would not fit: a
// cut path could name another file.
bool JoinConfigPath(char* path, const char* first, const char* second, const char* third = "");

// The home system directory beside the bin directory (which ends with a
// separator): the bin directory's last name replaced by "system", by the
// path's text, so that every path the run names reads HOME/system/...
bool SystemDirFromBinDir(char* path, const char* binDir);
