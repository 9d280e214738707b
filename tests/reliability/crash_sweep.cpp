#include "reliability/crash_sweep.h"

#include <filesystem>
#include <string>
#include <vector>

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

// The reports in HOME/system whose mode is this one, each as its text.
std::vector<std::string> ReportsOf(const fs::path& home, const std::string& mode) {
    std::vector<std::string> reports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(home / "system", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("UPGRADE-", 0) != 0 || entry.path().extension() != ".json") continue;
        std::string text = ReadFileText(entry.path());
        if (text.find("\"mode\":\"" + mode + "\"") != std::string::npos) reports.push_back(std::move(text));
    }
    return reports;
}

// A report's list of actions, as written.
std::string ActionsText(const std::string& report) {
    const size_t start = report.find("\"actions\":");
    const size_t end = report.find("\"failed_steps\":");
    return start == std::string::npos || end == std::string::npos ? "<none>" : report.substr(start, end - start);
}

// After a kill, a check of the home left: it changes nothing, and unless
// the home holds an interrupted dictionary phase (which it does not plan)
// it plans what the rerun then does, action for action, in order.
void CheckBeforeRerun(UpgradeWorld& world, const SweepScenario& scenario, const std::string& where,
                      std::vector<std::string>* differences, std::string* planned) {
    std::vector<std::string> arguments = scenario.arguments;
    arguments.push_back("-CHECK");
    SweepOutcome before = ObserveOutcome(world);
    const ProgramResult check = world.Upgrade(arguments);
    if (check.exitCode != 0) {
        differences->push_back(where + "the check ended with " + std::to_string(check.exitCode) + ": " + check.output);
    }
    SweepOutcome after = ObserveOutcome(world);
    // The lock a killed run left is taken and let go as a run does.
    for (SweepOutcome* outcome : {&before, &after}) outcome->home.erase("system/UPGRADE.LCK");
    CompareOutcome(before, after, where + "the check changed something: ", differences);
    const std::vector<std::string> reports = ReportsOf(world.Home(), "check");
    if (reports.size() != 1) {
        differences->push_back(where + "the check left " + std::to_string(reports.size()) + " reports");
        return;
    }
    if (check.output.find("does not list what the run would change") == std::string::npos) {
        *planned = ActionsText(reports[0]);
    }
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
        std::vector<std::string> differences;
        std::string planned;
        const bool checked = kind == CrashKind::Kill && report.tried % 5 == 1;
        if (checked) CheckBeforeRerun(world, scenario, where, &differences, &planned);
        const ProgramResult final = world.Upgrade(scenario.arguments);
        if (!planned.empty()) {
            const std::vector<std::string> reruns = ReportsOf(world.Home(), "upgrade");
            if (reruns.size() != 1 || ActionsText(reruns[0]) != planned) {
                differences.push_back(where + "the check planned " + planned + "\nbut the rerun did " +
                                      (reruns.size() == 1 ? ActionsText(reruns[0]) : std::to_string(reruns.size()) + " reports"));
            }
        }
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
