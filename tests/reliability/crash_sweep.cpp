#include "reliability/crash_sweep.h"

#include <filesystem>

#include "support/registered_services.h"

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

// Everything an upgrade leaves: every file of the home, the dictionary as
// zelhome reads it (ids included), and the registered services.
struct Outcome {
    DirectorySnapshot home;
    std::string dump;
    DirectorySnapshot services;
};

Outcome Observe(const UpgradeWorld& world) {
    Outcome outcome;
    outcome.home = SnapshotDirectory(world.Home());
    const ProgramResult dumped = world.DumpHome();
    outcome.dump = dumped.exitCode == 0 ? dumped.output : "zelhome dump failed: " + dumped.output;
    outcome.services = SnapshotDirectory(world.Services());
    return outcome;
}

void Compare(const std::string& what, const DirectorySnapshot& clean, const DirectorySnapshot& found,
             const std::string& where, std::vector<std::string>* differences) {
    for (const auto& [path, bytes] : clean) {
        auto other = found.find(path);
        if (other == found.end()) {
            differences->push_back(where + what + path + " is missing");
        } else if (other->second != bytes) {
            differences->push_back(where + what + path + " differs");
        }
    }
    for (const auto& [path, bytes] : found) {
        if (clean.count(path) == 0) differences->push_back(where + what + path + " is left over");
    }
}

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
    if (world.MakeHome().exitCode != 0) {
        report.differences.push_back("zelhome new failed");
        return report;
    }
    if (scenario.prepare) scenario.prepare(world);
    const std::string oldProgram = QuotedCommandLine((world.Home() / "bin" / "z40service.exe").string(), "-resident");
    if (!RegisterService(OLD_SERVICE, "ZEL4.0", oldProgram)) {
        report.differences.push_back("the old service could not be registered");
        return report;
    }

    ScratchDir keep("crash");
    const fs::path pristineHome = keep.Root() / "home";
    const fs::path pristineServices = keep.Root() / "services";
    CopyTree(world.Home(), pristineHome);
    CopyTree(world.Services(), pristineServices);
    auto restore = [&] {
        CopyTree(pristineHome, world.Home());
        CopyTree(pristineServices, world.Services());
    };

    const std::string log = keep.Path("points.log");
    SetEnvironment("ZEL_FAULT_LOG", log);
    const ProgramResult clean = world.Upgrade(scenario.arguments);
    UnsetEnvironment("ZEL_FAULT_LOG");
    if (clean.exitCode != 0) {
        report.differences.push_back("the clean run failed: " + clean.output);
        return report;
    }
    report.points = CountFileLines(log);
    const Outcome expected = Observe(world);

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
        const Outcome found = Observe(world);
        Compare("home ", expected.home, found.home, where, &differences);
        Compare("service ", expected.services, found.services, where, &differences);
        if (found.dump != expected.dump) differences.push_back(where + "the dictionary differs from a clean run's");
        if (differences.empty()) ++report.converged;
        report.differences.insert(report.differences.end(), differences.begin(), differences.end());
    }
    NoFault();
    DeleteServiceIfPresent(OLD_SERVICE);
    DeleteServiceIfPresent(NEW_SERVICE);
    return report;
}

}  // namespace zel::testing
