// -CHECK's plan: after the checks of phase 1 the run itself is made over a
// dry run, where the toolkit keeps every change of a file to itself and the
// service plan every change of a service, so that what the check lists is
// what the run does, found the way the run finds it.
#pragma once

#include "run_context.h"

// Runs phases 2 and 3 over a dry run and prints what they would change;
// their own lines go to the log alone. False, with what would fail, when
// the run would not finish cleanly. Nothing in the home or the services
// changes either way.
bool PlanRun(RunContext& run);
