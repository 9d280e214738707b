#pragma once

// Builds DIR, a separator, FIRST and, when SECOND is given, another
// separator and SECOND into path (Z_MAX_PATH characters). DIR may end with a
// separator or not. False with the toolkit's last error set when the
// result would not fit.
bool BuildDirPath(char* path, const char* dir, const char* first, const char* second);
