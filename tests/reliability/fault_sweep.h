// The fault sweep: fail every fault point of a whole upgrade in turn and
// check that each file is wholly old, wholly new or a state between two
// steps, and that a fault-free rerun converges.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {

struct SweepScenario {
    std::string name;
    std::vector<std::string> arguments;                // after DIR:
    std::function<void(const UpgradeWorld&)> prepare;  // changes to the fresh home (may be empty)
};

struct SweepReport {
    int faultPoints = 0;  // fault points of a clean run
    int triedPoints = 0;
    std::vector<std::string> violations;  // broken rules: the test fails on these
};

// Tries every stride-th point (1 = all).
SweepReport RunFaultSweep(const SweepScenario& scenario, int stride);

}  // namespace zel::testing
