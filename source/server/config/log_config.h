#pragma once

// Both directories end with a path separator.
int MergeLogConfig(const char* systemDir, const char* packageDir);
