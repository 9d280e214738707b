// The crash sweep: end a whole upgrade abruptly at its fault points in
// turn, as a kill or a power cut would (ZEL_FAULT_END), run the same
// command again (at some points cut short once more inside its put-back of
// the interrupted run's journal, and at fewer a third time inside the next
// rerun's), and check that the home ends exactly as a clean run leaves it.
#pragma once

#include <map>
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
    int putBacksCut = 0;  // cuts that fell inside a rerun's put-back (second and third)
    int thirdCuts = 0;    // points whose second rerun was cut short too
    std::map<std::string, int> triedByModel;  // power cuts: the tried points of each model
    std::vector<std::string> differences;
};

// Tries every stride-th point (1 = all). A power cut goes round the models
// (ZEL_FAULT_END=power, power:ordered:0|half|all, power:torn:SEED): four
// points in ten strict, three ordered, three torn. The scenario's home has
// the previous release's service registered.
CrashReport RunCrashSweep(const SweepScenario& scenario, CrashKind kind, int stride);

}  // namespace zel::testing
