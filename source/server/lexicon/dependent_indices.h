#pragma once

#include "run_context.h"

// Lists, and with "DIC:RIX" removes, the indices built with a segment or
// stop lexicon that this run refilled.
bool RemoveDependentIndices(RunContext& run);
