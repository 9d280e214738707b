#pragma once

#include "profile_draft.h"

// The directory ends with a path separator.
// Makes PROFILE.INI from CACHE.CFG and NET.CFG when the home has none, as
// the draft's text (WriteProfileDraft writes it, then deletes the old files
// it took every value from). finishInterrupted: the home had no PROFILE.INI
// when an interrupted run started, which may have made it and been stopped
// before the deletions; they are made now, the profile found left as it is.
bool DraftLegacyProfile(const char* systemDir, bool finishInterrupted, ProfileDraft* draft);

// The same, the profile written at once.
bool CreateLegacyProfile(const char* systemDir, bool finishInterrupted = false);
