#pragma once

// The bin directory ends with a path separator.
int RenameOldPrograms(const char* binDir, int serverProgramAbsent);
