#pragma once

// Both directories end with a path separator.
bool MergeLogConfig(const char* systemDir, const char* packageDir);

// The merge for a home the new release has run before: every setting of the
// installed LOG.INI stays, whatever its name; only the settings the template
// adds are added, with the template's values.
bool MergeLogConfigKeepingValues(const char* systemDir, const char* packageDir);
