#pragma once

#include "run_choices.h"

// Removes the previous release's programs, rewrites their names in
// PROFILE.INI and, when wanted, keeps copies of the new programs under the
// old names. The bin directory ends with a path separator. oldProgramsFound:
// z40server.exe was there when the run started (a run that goes on after
// an interruption may have deleted it since). profileBackupOwed: the
// profile was not written with the backup it owed, which is kept before its
// launch lines are rewritten here.
// The table of the old program names and the new ones, each line starting
// with a line end, as the question whether to keep the old names shows it.
const char* OldAndNewProgramNames();

// *copiesInPlace (may be null): the old names held copies of the new
// programs already, as an earlier run left them, and nothing was changed.
// *oldDeleted (may be null): every z40 file went, so whatever is under an
// old name afterwards is a new file, even one the system gave the number
// of a file deleted here.
bool RenameOldPrograms(const char* binDir, bool serverProgramAbsent, bool oldProgramsFound, OldNamesChoice oldNames,
                       bool profileBackupOwed, bool* copiesInPlace = nullptr, bool* oldDeleted = nullptr);

// Whether the renaming will rewrite every launch line of the profile,
// whatever it names: the first upgrade of a home that held the old
// programs. The profile may then be written with its lines rewritten
// (RewriteProgramLinesInText) by the step that writes it before, and the
// renaming finds nothing left to rewrite. 1 it will, 0 it will not, -1 the
// system cannot tell (the last error says why).
int RenamingRewritesEveryLaunch(const char* binDir, bool serverProgramAbsent, bool oldProgramsFound);
