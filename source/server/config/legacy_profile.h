#pragma once

// The directory ends with a path separator.
int CreateLegacyProfile(const char* systemDir);
