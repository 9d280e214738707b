// The checks of the home and the package that the upgrade makes before its
// first change, after it has read an interrupted run's record: one list, so
// that the run, its -CHECK and zelhome's preview ask the same in the same
// order.
#pragma once

#include <span>

#include "blockers.h"

struct CheckSubject {
    const char* home;
    const char* packageDir;
    // DIC: given: the run rewrites the dict folder too.
    bool modifyLexicons;
    // Say so when the dictionary waits for an interrupted run's put-back.
    bool noteDeferredDictionary;
};

using HomeCheck = void (*)(const CheckSubject& subject, CheckFindings* findings);

std::span<const HomeCheck> HomeAndPackageChecks();
