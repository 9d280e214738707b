// Paths the lexicon steps build in fixed buffers of Z_MAX_PATH characters.
// Each helper fails (result 0, toolkit last error set) instead of cutting a
// path that would not fit.
#pragma once

// HOME, a separator and "dict".
bool BuildDictDirectory(char* path, const char* home);
// HOME, a separator, "dict", a separator and name.
bool BuildDictFilePath(char* path, const char* home, const char* name);
// The package directory, a separator and name.
bool BuildPackageFilePath(char* path, const char* packageDir, const char* name);
