// PROFILE.INI.BAK when the profile merge could not replace the installed
// profile: the start-up section and the program renaming still change it,
// and the administrator's file must survive them.
#pragma once

// Whether PROFILE.INI.BAK beside the profile holds the same lines as the
// profile apart from launches: the items ProgramStart, ProgramClose and
// ShutdownCall, the [AutoBatch] header and blank lines (line ends and a byte
// order mark aside). Such a backup was kept by an earlier run before it
// added and renamed launches, and is the administrator's file.
bool BackupDiffersOnlyInLaunches(const char* profilePath);

// Keeps the profile as PROFILE.INI.BAK, as the merge would have kept it,
// before its launches change; a backup that differs only in launches is
// kept instead. False with the last error set when the copy fails.
bool KeepProfileBackup(const char* profilePath);
