// The home's data dictionary, as the dictionary phase will take it.
#pragma once

#include "blockers.h"

// The nine dictionary files, each with a title the upgrade knows and a
// length its header agrees with (every one that is not is named), and,
// when they pass, the dictionary shell opening the home.
void CheckDictionary(const char* home, CheckFindings* findings);
