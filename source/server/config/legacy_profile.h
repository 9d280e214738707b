#pragma once

// The directory ends with a path separator.
bool CreateLegacyProfile(const char* systemDir);
