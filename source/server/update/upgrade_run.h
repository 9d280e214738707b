// What the driver holds for one run and hands to the steps.
#pragma once

#include <cstdint>

#include "server/host/dictionary_records.h"
#include "server/host/zelkit.h"

struct UpgradeRun {
    char home[Z_MAX_PATH] = {};          // as entered, with or without a trailing separator
    uint16_t lexiconCharsetCode = 0;     // from "NEW:" or the menu
    int serverProgramAbsent = 0;         // HOME/bin/zelserver.exe was missing at the start
    int oldServiceResult = 0;            // 1 removed, 0 none, -1 failure
    int nativeCharset = 0;               // as the shell reports it after the selection
    ObjectEnv env = {};
};

// Phase 1: banner, package directory, choices and gates. Returns false when
// the run must stop (the reason is printed).
bool StartUpgrade(UpgradeRun& run);
// Phase 2: the dictionary files and the system dictionaries. Returns false
// when the run must stop (the error line is printed).
bool UpgradeDictionaries(UpgradeRun& run);

enum class FilePhaseResult { Finished, FinishedWithErrors, AlreadyInPlace };
// Phase 3: directories, copies, configuration, start-up programs, the new
// service and the program names.
FilePhaseResult UpgradeFiles(UpgradeRun& run);

// The longest text the run appends to the home directory: separator, "bin",
// separator, "..", separator, "system", separator and "PROFILE.INI.BAK",
// with the ".zel-copy" work name under which the toolkit writes a copy
// before it takes the real name. Windows opens no longer path.
constexpr int kLongestHomeSuffix = 39;
