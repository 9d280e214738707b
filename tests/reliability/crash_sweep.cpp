#include "reliability/crash_sweep.h"

#include <filesystem>

#include "reliability/sweep_outcome.h"

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

void EndAt(int point, CrashKind kind) {
    SetEnvironment("ZEL_FAULT", "*:" + std::to_string(point));
    SetEnvironment("ZEL_FAULT_END", kind == CrashKind::Kill ? "kill" : "power");
}

void NoFault() {
    UnsetEnvironment("ZEL_FAULT");
    UnsetEnvironment("ZEL_FAULT_END");
}

}  // namespace

CrashReport RunCrashSweep(const SweepScenario& scenario, CrashKind kind, int stride) {
    CrashReport report;
    UpgradeWorld world;
    if (world.MakeHome(scenario.home).exitCode != 0) {
        report.differences.push_back("zelhome new failed");
        return report;
    }
    if (scenario.prepare) scenario.prepare(world);

    ScratchDir keep("crash");
    ServiceState services;
    if (!services.Prepare(world, keep.Root() / "services")) {
        report.differences.push_back("the old service could not be registered");
        return report;
    }
    const fs::path pristineHome = keep.Root() / "home";
    CopyTree(world.Home(), pristineHome);
    auto restore = [&] {
        CopyTree(pristineHome, world.Home());
        services.Restore(world);
    };

    const std::string log = keep.Path("points.log");
    SetEnvironment("ZEL_FAULT_LOG", log);
    const ProgramResult clean = world.Upgrade(scenario.arguments);
    UnsetEnvironment("ZEL_FAULT_LOG");
    if (clean.exitCode != 0) {
        report.differences.push_back("the clean run failed: " + clean.output);
        ServiceState::Remove();
        return report;
    }
    report.points = CountFileLines(log);
    const SweepOutcome expected = ObserveOutcome(world);

    for (int point = 1; point <= report.points; point += stride) {
        ++report.tried;
        restore();
        const std::string where = scenario.name + " point " + std::to_string(point) + ": ";
        EndAt(point, kind);
        world.Upgrade(scenario.arguments);
        // Every third point, the rerun is cut short too, early on, where it
        // puts back what the first run left.
        if (report.tried % 3 == 0) {
            ++report.rerunsCut;
            EndAt(1 + point % 97, kind);
            world.Upgrade(scenario.arguments);
        }
        NoFault();
        const ProgramResult final = world.Upgrade(scenario.arguments);
        std::vector<std::string> differences;
        if (final.exitCode != 0)
            differences.push_back(where + "the final rerun ended with " + std::to_string(final.exitCode));
        CompareOutcome(expected, ObserveOutcome(world), where, &differences);
        if (differences.empty()) ++report.converged;
        report.differences.insert(report.differences.end(), differences.begin(), differences.end());
    }
    NoFault();
    ServiceState::Remove();
    return report;
}

}  // namespace zel::testing
