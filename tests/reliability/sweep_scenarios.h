// The homes and argument sets that the fault and crash sweeps run, and how
// many of their points a run tries.
#pragma once

#include <vector>

#include "reliability/fault_sweep.h"

namespace zel::testing {

std::vector<SweepScenario> SweepScenarios();

// Kills an upgrade of the typical home (NEW:1 CS:1 OLD:N) in its dictionary
// phase once VIEW.DIC has moved, so that its journal holds changed files.
void KillInTheDictionaryPhase(const UpgradeWorld& world);

// The fault sweep's: those above, and two whose services or journal the
// others do not have: the old service running with a stop that is pending
// for two polls, and a home whose first run was killed in its dictionary
// phase (the sweep fails the run that resumes it).
std::vector<SweepScenario> FaultSweepScenarios();

// The scenarios a run sweeps: all of them, the first ZEL_SWEEP_SCENARIOS,
// or those whose name holds ZEL_SWEEP_SCENARIO.
std::vector<SweepScenario> ScenariosToSweep();

// The stride that tries about pointsInCi of points (ZEL_SWEEP_POINTS
// overrides pointsInCi); ZEL_SWEEP_STRIDE gives the stride itself, 1 for
// every point.
int SweepStride(int points, int pointsInCi);

}  // namespace zel::testing
