#pragma once

#include <cstdint>

#include "run_context.h"

// Creates (or with "DIC:" refills) the thesaurus, synonym and antonym
// databases of one lexicon charset code from the package's source files,
// and records their ids in the run's outcome.
bool CreateRelationDBs(RunContext& run, uint16_t charsetCode);
