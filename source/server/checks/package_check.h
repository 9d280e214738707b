// The package, against the manifest the build wrote into it.
#pragma once

#include "blockers.h"

// Every file the run copies or reads there and whole (package_manifest.h);
// a lexicon or relation source the manifest lists but the package lacks is
// noted as left out.
void CheckPackage(const char* packageDir, CheckFindings* findings);
