#pragma once

// Both directories end with a path separator.
bool MergeLogConfig(const char* systemDir, const char* packageDir);
