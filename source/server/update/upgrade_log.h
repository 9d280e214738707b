// The log of a run, HOME/system/UPGRADE-<yyyymmdd-hhmmss>-<random>.LOG: what the
// console showed (console.h), with the program's version, the package
// folder and the arguments at its head and the exit status at its end.
#pragma once

#include "run_context.h"

// The version as "-VER" prints it and the banner names it.
const char* UpgradeVersion();

// Opens the log once the run holds the home; a run that does not hold it
// (another run has it, or the home has no system folder) keeps none. False,
// with an ERROR line printed, when the log cannot be made: the run stops
// before it changes anything.
bool OpenUpgradeLog(const RunContext& run);
// Writes the run's report beside the log (run_report.h), then the exit
// status last, and closes the log. A report that cannot be written is an
// ERROR line naming it; a run that would have ended 0 then ends 2, and a
// run that changed nothing keeps its 1. Returns the status the run ends with.
int CloseUpgradeLog(const RunContext& run, int status);
