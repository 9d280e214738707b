// What a run keeps in the home while it lasts, in HOME/system/UPGRADE.RUN:
// the decisions it took from the home as it found it (RUN.INI), so that a
// run going on after an interruption decides alike, and the file journal
// of the dictionary phase (JOURNAL), which puts the dictionary back as it
// was before that phase. The record goes when the run ends; a run that is
// stopped or killed leaves it for the next one. Beside it, UPGRADE.LCK is
// locked for as long as a run works on the home.
//
// RUN.INI ends with the checksum of everything before it, and says whether
// a journal is there (Journal=1 from the moment the journal is whole until
// the moment before it goes), so that a journal lost or emptied since is
// found. Whatever in the record fails a check stops the run before
// anything changes: a damaged record is never obeyed in part.
#pragma once

#include <string>

#include "run_context.h"
#include "run_record_file.h"

// Takes the home for this run, or says who has it. False (message printed)
// when the run must stop.
bool LockHome(RunContext& run);
// Lets the home go; false (the last error says why) when the lock file the
// run made could not be removed.
bool UnlockHome(RunContext& run);

// Reads and checks the record of an earlier run that did not end, when
// there is one, and takes from it what the console answered then and what
// the run found (run.resumed is set). False, with *refused saying whether
// it is damaged or not the run's own and *why naming the file and what is
// wrong with it, when any of it fails its checks: nothing of it is taken
// then.
bool ReadRunRecord(RunContext& run, RecordCheck* refused, std::string* why);
// Writes the decisions taken so far, and whether a journal is there, in one
// step. With journalFolder it also makes the journal's folder (empty, no
// journal, until the dictionary phase opens one there), so that the names of
// the record's folder, of the journal's folder and of RUN.INI reach the
// disk with one flush of each folder holding them.
bool WriteRunRecord(const RunContext& run, bool journalFolder = false);
// The run has ended: the record goes, the journal (if any) before RUN.INI.
bool RemoveRunRecord(const RunContext& run);

// The message for a record that is not this home's run's own: another
// account made it or may change it, or it was made for another home.
void PrintForeignRecord(const char* home, const std::string& why);
