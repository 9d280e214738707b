// The phases of one upgrade run, each walking its table of steps over the
// run context.
#pragma once

#include "blockers.h"
#include "run_context.h"

// The longest text the run appends to the home directory: separator,
// "system", separator and the name of the run's log,
// "UPGRADE-<yyyymmdd>-<hhmmss>-<eight random digits>.LOG". Windows opens no
// longer path.
constexpr int kLongestHomeSuffix = 44;

// Phase 1: banner, package directory, choices, every check and the
// questions. Nothing of the home or the services changes here. False when
// the run must stop (the reason is printed).
bool StartUpgrade(RunContext& run);
// Phase 1's checks, after what the start found already (a damaged record):
// every blocker's ERROR line, and the list of what to do after the last.
// False when anything stops the run.
bool FindBlockers(RunContext& run, CheckFindings findings);
// The first changes: the previous release's service goes and the run's
// decisions are recorded. False when the run must stop.
bool BeginChanges(RunContext& run);
// After a stop: what this run changed before its dictionary phase goes
// back (the old service registered again, the run's record removed), so
// that the home and the services are as the run found them. False, the
// ERROR lines printed and the steps noted in run.failedSteps, when
// something stays changed.
bool PutBackFirstChanges(RunContext& run);
// Phase 2: the dictionary files and the system dictionaries. False when the
// run must stop (the error line is printed).
bool UpgradeDictionaries(RunContext& run);

enum class FilePhaseResult { Finished, FinishedWithErrors, AlreadyInPlace, AlreadyInPlaceWithErrors };
// Phase 3: directories, copies, configuration, start-up programs, the new
// service and the program names.
FilePhaseResult UpgradeFiles(RunContext& run);
