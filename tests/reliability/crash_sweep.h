// The crash sweep: end a whole upgrade abruptly at its fault points in
// turn, as a kill or a power cut would (ZEL_FAULT_END), run the same
// command again (at some points cut short once more), and check that the
// home ends exactly as a clean run leaves it.
#pragma once

#include <string>
#include <vector>

#include "reliability/fault_sweep.h"

namespace zel::testing {

enum class CrashKind { Kill, PowerLoss };

struct CrashReport {
    int points = 0;  // fault points of a clean run
    int tried = 0;
    int converged = 0;  // tried points whose final home equals a clean run's
    int rerunsCut = 0;  // of them, points whose first rerun was cut short too
    std::vector<std::string> differences;
};

// Tries every stride-th point (1 = all). The scenario's home has the
// previous release's service registered.
CrashReport RunCrashSweep(const SweepScenario& scenario, CrashKind kind, int stride);

}  // namespace zel::testing
