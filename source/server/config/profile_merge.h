#pragma once

// Both directories end with a path separator.
bool MergeProfile(const char* systemDir, const char* packageDir);
