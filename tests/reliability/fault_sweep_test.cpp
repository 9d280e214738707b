// Every fault point of a whole upgrade, failed in turn (ZEL_FAULT=*:N). CI
// tries a spread of points; ZEL_SWEEP_STRIDE=1 tries every one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "reliability/fault_sweep.h"
#include "reliability/sweep_scenarios.h"

namespace zel::testing {
namespace {

int Stride(int points) {
    if (const char* stride = std::getenv("ZEL_SWEEP_STRIDE")) return std::max(1, std::atoi(stride));
    constexpr int kPointsInCi = 60;
    return std::max(1, points / kPointsInCi);
}

void Sweep(const SweepScenario& scenario) {
    // A first pass only counts; the stride follows from it.
    SweepReport counted = RunFaultSweep(scenario, 1 << 30);
    ASSERT_TRUE(counted.violations.empty()) << counted.violations.front();
    const SweepReport report = RunFaultSweep(scenario, Stride(counted.faultPoints));
    std::printf("%s: %d fault points, %d tried\n", scenario.name.c_str(), report.faultPoints, report.triedPoints);
    EXPECT_GT(report.faultPoints, 0);
    for (const std::string& violation : report.violations) ADD_FAILURE() << violation;
}

TEST(FaultSweep, EveryPointOfEveryScenario) {
    for (const SweepScenario& scenario : SweepScenarios()) Sweep(scenario);
}

}  // namespace
}  // namespace zel::testing
