// Every fault point of a whole upgrade, failed in turn (ZEL_FAULT=*:N). CI
// tries a spread of points; ZEL_SWEEP_STRIDE=1 tries every one.
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
    const SweepReport report = RunFaultSweep(scenario, SweepStride(counted.faultPoints, 60));
    std::printf("%s: %d fault points, %d tried: %d ended 0, %d ended 2, %d stopped; %zu violations\n",
                scenario.name.c_str(), report.faultPoints, report.triedPoints, report.finished,
                report.finishedWithErrors, report.stopped, report.violations.size());
    EXPECT_GT(report.faultPoints, 0);
    for (const std::string& violation : report.violations) ADD_FAILURE() << violation;
}

TEST(FaultSweep, EveryPointOfEveryScenario) {
    for (const SweepScenario& scenario : ScenariosToSweep()) Sweep(scenario);
}

}  // namespace
}  // namespace zel::testing
