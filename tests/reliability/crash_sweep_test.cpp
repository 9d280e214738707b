// Whole upgrades ended abruptly at their fault points, as a kill
// (ZEL_FAULT_END=kill) or a power cut (ZEL_FAULT_END=power..., the strict,
// ordered and torn models in turn) would end them, some reruns cut again
// inside their put-back; a last rerun must bring the home to a clean run's
// result. CI tries a spread of points; ZEL_SWEEP_STRIDE=1 tries every one.
#include <gtest/gtest.h>

#include <string>

#include "reliability/crash_sweep.h"
#include "reliability/sweep_scenarios.h"

namespace zel::testing {
namespace {

void Sweep(const SweepScenario& scenario, CrashKind kind, int pointsInCi) {
    // A first pass only counts the points; the stride follows from it.
    const CrashReport counted = RunCrashSweep(scenario, kind, 1 << 30);
    ASSERT_GT(counted.points, 0);
    const CrashReport report = RunCrashSweep(scenario, kind, SweepStride(counted.points, pointsInCi));
    std::printf("%s (%s): %d points, %d tried (%d with the rerun cut short too, %d a third time; %d cuts inside a "
                "put-back), %d ended as a clean run\n",
                scenario.name.c_str(), kind == CrashKind::Kill ? "kill" : "power cut", report.points, report.tried,
                report.rerunsCut, report.thirdCuts, report.putBacksCut, report.converged);
    for (const auto& [model, tried] : report.triedByModel) std::printf("  %s: %d tried\n", model.c_str(), tried);
    for (const std::string& difference : report.differences) ADD_FAILURE() << difference;
}

TEST(CrashSweep, KilledAtEveryPointConverges) {
    for (const SweepScenario& scenario : ScenariosToSweep()) Sweep(scenario, CrashKind::Kill, 60);
}

TEST(CrashSweep, PowerCutAtEveryPointConverges) {
    for (const SweepScenario& scenario : ScenariosToSweep()) Sweep(scenario, CrashKind::PowerLoss, 20);
}

}  // namespace
}  // namespace zel::testing
