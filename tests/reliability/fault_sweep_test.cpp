// Every place of a whole upgrade where a fault can be injected, failed in
// turn with a system error (ZEL_FAULT=all:N, ZEL_FAULT_AS). CI tries a
// spread of places; ZEL_SWEEP_STRIDE=1 tries every one.
#include <gtest/gtest.h>

#include <string>

#include "reliability/fault_sweep.h"
#include "reliability/sweep_scenarios.h"

namespace zel::testing {
namespace {

void Sweep(const SweepScenario& scenario) {
    // A first pass only counts; the stride follows from it.
    SweepReport counted = RunFaultSweep(scenario, 1 << 30);
    ASSERT_TRUE(counted.violations.empty()) << counted.violations.front();
    const SweepReport report = RunFaultSweep(scenario, SweepStride(counted.faultPoints, 40));
    std::printf("%s: %d points, %d places, %d tried: %d ended 0, %d ended 2, %d stopped; %zu violations\n",
                scenario.name.c_str(), report.operations, report.faultPoints, report.triedPoints, report.finished,
                report.finishedWithErrors, report.stopped, report.violations.size());
    EXPECT_GT(report.faultPoints, 0);
    for (const std::string& violation : report.violations) ADD_FAILURE() << violation;
}

TEST(FaultSweep, EveryPointOfEveryScenario) {
    for (const SweepScenario& scenario : FaultSweepScenarios()) Sweep(scenario);
}

}  // namespace
}  // namespace zel::testing
