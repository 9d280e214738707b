// Paths the lexicon steps build in fixed buffers of Z_MAX_PATH characters.
// Each helper fails (result 0, toolkit last error set) instead of cutting a
// path that would not fit.
#pragma once

// HOME, a separator and "dict".
int BuildDictDirectory(char* path, const char* home);
// HOME, a separator, "dict", a separator and name.
int BuildDictFilePath(char* path, const char* home, const char* name);
// The package directory path, a separator and name.
int BuildPackageFilePath(char* path, const char* name);
