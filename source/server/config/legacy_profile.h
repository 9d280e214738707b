#pragma once

// The directory ends with a path separator.
// Makes PROFILE.INI from CACHE.CFG and NET.CFG when the home has none, then
// deletes the old files it took every value from. finishInterrupted: the
// home had no PROFILE.INI when an interrupted run started, which may have
// made it and been stopped before the deletions; they are made now.
bool CreateLegacyProfile(const char* systemDir, bool finishInterrupted = false);
