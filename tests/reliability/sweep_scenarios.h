// The homes and argument sets that the fault and crash sweeps run, and how
// many of their points a run tries.
#pragma once

#include <vector>

#include "reliability/fault_sweep.h"

namespace zel::testing {

std::vector<SweepScenario> SweepScenarios();

// The scenarios a run sweeps: all of them, or the first ZEL_SWEEP_SCENARIOS.
std::vector<SweepScenario> ScenariosToSweep();

// The stride that tries about pointsInCi of points (ZEL_SWEEP_POINTS
// overrides pointsInCi); ZEL_SWEEP_STRIDE gives the stride itself, 1 for
// every point.
int SweepStride(int points, int pointsInCi);

}  // namespace zel::testing
