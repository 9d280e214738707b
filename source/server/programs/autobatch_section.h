#pragma once

// The bin directory ends with a path separator.
int AddAutoBatchSection(const char* binDir);
