// Reading and writing PROFILE.INI through its draft (profile_draft.h).
#pragma once

#include <string>

#include "profile_draft.h"

// The profile as the next step is to change it: the draft's text when a step
// changed it, else the installed file's. False (last error set) when the
// file cannot be read.
bool ProfileText(const char* profilePath, const ProfileDraft& draft, std::string* text);

// Writes what the draft holds: the backup owed first (PROFILE.INI.BAK, an
// earlier backup moved to a numbered name as KeepInstalledBackup does), then the
// text over the profile in one step, and only then deletes the files whose
// contents the text took over; a file that cannot go fails the call, the
// others going all the same. *written tells whether the text took the
// profile's name. Afterwards the draft holds and owes nothing, whatever
// the outcome: what was not written is made again by the next run.
bool WriteProfileDraft(const char* profilePath, ProfileDraft* draft, bool* written = nullptr);
