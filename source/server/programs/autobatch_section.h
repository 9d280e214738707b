// The [AutoBatch] section of PROFILE.INI: the programs that start and stop
// with the server, and the previous release's batch files that held them.
#pragma once

#include "profile_draft.h"

// Gives PROFILE.INI its start-up section and moves the searcher and mirror
// launches of the old batch files into it, on the draft: the profile as the
// steps before left it gets the section, and a batch file whose launches
// it holds is to go once it is written (WriteProfileDraft). One that could
// not be converted is kept under a name the renaming of the old programs
// does not touch, with a line saying so, and the step fails.
// profileMergeFailed: the merge did not replace the installed profile, so
// the profile is owed to its backup as the merge would have kept it. The
// bin directory ends with a path separator.
bool AddAutoBatchSection(const char* binDir, bool profileMergeFailed, ProfileDraft* draft);

// The same, the profile written and the converted batch files deleted at
// once.
bool AddAutoBatchSection(const char* binDir, bool profileMergeFailed = false);

// For the renaming, before it deletes the old programs: an old batch file
// still under its own name whose launches are not all in PROFILE.INI is
// kept as the start-up step keeps it, with its line. False when one could
// not be kept; the old programs must then stay.
bool KeepBatchFilesNotInProfile(const char* binDir);
