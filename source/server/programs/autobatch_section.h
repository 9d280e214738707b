#pragma once

// The bin directory ends with a path separator.
bool AddAutoBatchSection(const char* binDir);
