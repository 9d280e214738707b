#pragma once

// Both directories end with a path separator.
bool MergeProfile(const char* systemDir, const char* packageDir);

// The merge for a home the new release has run before: every value and
// section of the installed PROFILE.INI stays, and only what the template adds
// is added; the file is replaced (its backup kept) only then.
bool MergeProfileKeepingValues(const char* systemDir, const char* packageDir);
