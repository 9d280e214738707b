// The summary that closes a run which went through: what changed, the
// backups written, the services, the steps that failed and where the log
// is. It comes after every message of the run, so that the lines the
// administrator knows stay as they were, and last is what to keep.
#pragma once

#include "run_context.h"

void PrintRunSummary(const RunContext& run);

// The run finished without changing anything in the home or the services
// (its log and lock aside) and without a failed step: the home was already
// what a clean run leaves.
bool RunChangedNothing(const RunContext& run);

// What a check's plan would change, as the summary would list it after the
// run, and, when the run would not finish cleanly (finished false), the
// steps that would fail with why.
void PrintRunPlan(const RunContext& run, bool finished);
