// Every place of a whole upgrade where a fault can be injected, failed in
// turn with a system error (ZEL_FAULT=all:N, ZEL_FAULT_AS). CI tries a
// spread of places; ZEL_SWEEP_STRIDE=1 tries every one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "reliability/fault_sweep.h"
#include "reliability/sweep_scenarios.h"
#include "reliability/system_call_trials.h"

namespace zel::testing {
namespace {

void Sweep(const SweepScenario& scenario, Injection injection = Injection::FaultPoints) {
    // A first pass only counts; the stride follows from it.
    SweepReport counted = RunFaultSweep(scenario, 1 << 30, injection);
    ASSERT_TRUE(counted.violations.empty()) << counted.violations.front();
    const SweepReport report = RunFaultSweep(scenario, SweepStride(counted.faultPoints, 40), injection);
    std::printf("%s: %d points, %d places, %d tried: %d ended 0, %d ended 2, %d stopped; %zu violations\n",
                scenario.name.c_str(), report.operations, report.faultPoints, report.triedPoints, report.finished,
                report.finishedWithErrors, report.stopped, report.violations.size());
    EXPECT_GT(report.faultPoints, 0);
    for (const std::string& violation : report.violations) ADD_FAILURE() << violation;
}

TEST(FaultSweep, EveryPointOfEveryScenario) {
    for (const SweepScenario& scenario : FaultSweepScenarios()) Sweep(scenario);
}

// The same oracle with the failures injected by strace at each place of a
// system call, below every fault point of the program's own: local only
// (ZEL_SWEEP_STRACE=1), with the stride of the other.
TEST(FaultSweep, EverySystemCallPlaceOfEveryScenario) {
    if (std::getenv("ZEL_SWEEP_STRACE") == nullptr || StracePath().empty()) {
        GTEST_SKIP() << "set ZEL_SWEEP_STRACE=1, with strace installed, to sweep the system calls";
    }
    for (const SweepScenario& scenario : FaultSweepScenarios()) Sweep(scenario, Injection::SystemCalls);
}

}  // namespace
}  // namespace zel::testing
