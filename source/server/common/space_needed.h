// The room an upgrade needs on the home's volume, reckoned before it starts:
// the run itself checks it before the first change, and the preview shows
// the same figure.
#pragma once

#include <cstdint>

// At most what a run writes beyond what it frees: everything the package
// holds (programs and libraries copied, lexicons and databases built from
// its sources), the nine dictionary files twice (each is rewritten beside
// itself or kept by the run's journal while it changes), and with "DIC:"
// the home's dict folder once more (refilled lexicons are kept by the
// journal too). False (the last error set) when a folder cannot be read.
bool EstimateUpgradeSpace(const char* home, const char* packageDir, bool modifyLexicons, uint64_t* needed);
