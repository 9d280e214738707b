#pragma once

// Both directories end with a path separator.
int MergeProfile(const char* systemDir, const char* packageDir);
