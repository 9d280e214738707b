// The three homes and argument sets that the fault and crash sweeps run.
#pragma once

#include <vector>

#include "reliability/fault_sweep.h"

namespace zel::testing {

std::vector<SweepScenario> SweepScenarios();

}  // namespace zel::testing
