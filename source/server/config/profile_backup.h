// PROFILE.INI.BAK: the profile as the run found it, owed before the merge
// or, when the merge could not replace the installed profile, before the
// start-up section and the program renaming change it, so that the
// administrator's file survives them.
#pragma once

#include <string>

#include "profile_draft.h"

// Whether the backup at backupPath holds the same lines as the profile text
// apart from launches: the items ProgramStart, ProgramClose and
// ShutdownCall, the [AutoBatch] header and blank lines (line ends and a
// byte order mark aside). Such a backup was kept by an earlier run before it
// added and renamed launches, and is the administrator's file. 1 it does, 0
// it does not (or there is no backup, or it cannot be read: a new backup is
// then kept, the earlier one moved aside), -1 the system cannot tell
// whether there is one (the last error says why).
int BackupDiffersOnlyInLaunches(const std::string& profile, const char* backupPath);

// The profile text a step is about to change is owed to PROFILE.INI.BAK,
// unless the backup there differs from it only in launches. False when the
// system cannot tell.
bool OweProfileBackup(const std::string& profile, const char* profilePath, ProfileDraft* draft);

// Keeps the installed profile as PROFILE.INI.BAK before a step changes it
// in place, unless the backup there differs from it only in launches. True
// with no profile; false when the backup owed cannot be kept or the system
// cannot tell.
bool KeepOwedProfileBackup(const char* profilePath);
