// The phases of one upgrade run, each walking its table of steps over the
// run context.
#pragma once

#include "run_context.h"

// The longest text the run appends to the home directory: separator,
// "system", separator and the name of the run's log,
// "UPGRADE-<yyyymmdd>-<hhmmss>-<eight random digits>.LOG". Windows opens no
// longer path.
constexpr int kLongestHomeSuffix = 44;

// Phase 1: banner, package directory, choices and gates. Nothing of the home
// changes here. False when the run must stop (the reason is printed).
bool StartUpgrade(RunContext& run);
// Phase 2: the dictionary files and the system dictionaries. False when the
// run must stop (the error line is printed).
bool UpgradeDictionaries(RunContext& run);

enum class FilePhaseResult { Finished, FinishedWithErrors, AlreadyInPlace, AlreadyInPlaceWithErrors };
// Phase 3: directories, copies, configuration, start-up programs, the new
// service and the program names.
FilePhaseResult UpgradeFiles(RunContext& run);
