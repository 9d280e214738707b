#include "reliability/crash_sweep.h"

#include <filesystem>
#include <string>
#include <vector>

#include "reliability/sweep_outcome.h"

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

// The power-cut model of the tried-th point, as ZEL_FAULT_END names it.
std::string PowerModel(int tried) {
    static const char* const kModels[] = {"power",         "power:ordered:0", "power:torn",        "power:ordered:half",
                                          "power",         "power:torn",      "power:ordered:all", "power",
                                          "power:torn",    "power"};
    const std::string model = kModels[static_cast<size_t>(tried) % (sizeof kModels / sizeof kModels[0])];
    return model == "power:torn" ? model + ":" + std::to_string(tried) : model;
}

std::string EndText(CrashKind kind, int tried) { return kind == CrashKind::Kill ? "kill" : PowerModel(tried); }

void EndAt(const std::string& selection, const std::string& end) {
    SetEnvironment("ZEL_FAULT", selection);
    SetEnvironment("ZEL_FAULT_END", end);
}

// Where a rerun is cut inside its put-back of an interrupted run's journal
// (the step "put back what an interrupted run left"): at an entry it puts
// back, one of its moves, links, removals or folder flushes, or the
// journal's flush; a selection the put-back does not reach gives way to
// its last step, the journal set aside (JOURNAL to JOURNAL.GONE).
std::string PutBackCut(int round) {
    static const char* const kCuts[] = {
        "Z_UndoFileJournal:1",          "fs.Rename@Z_UndoFileJournal:1", "fs.Link@Z_UndoFileJournal:1",
        "Z_UndoFileJournal:2",          "fs.Remove@Z_UndoFileJournal:1", "fs.FlushFolder@Z_UndoFileJournal:1",
        "Z_FlushFileJournal:1",         "fs.Rename@Z_UndoFileJournal:2", "fs.Rename@Z_RemoveFileJournal:1",
        "fs.FlushFolder@Z_UndoFileJournal:3",
    };
    return std::string(kCuts[static_cast<size_t>(round) % (sizeof kCuts / sizeof kCuts[0])]) +
           ",fs.Rename@Z_RemoveFileJournal:1";
}

bool HasJournal(const UpgradeWorld& world) {
    std::error_code error;
    return fs::is_regular_file(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL", error);
}

// A run ended by the cut it was given, not by itself.
bool EndedAbruptly(const ProgramResult& run) { return run.exitCode != 0 && run.exitCode != 1 && run.exitCode != 2; }

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

// After a kill, a check of the home left: it changes nothing, and it plans
// what the rerun then does, action for action, in order.
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
    // An interrupted dictionary phase included: the check makes its put-back
    // over the dry run too.
    *planned = ActionsText(reports[0]);
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

    // ZEL_SWEEP_ONLY=N tries point N alone, cut as the sweep at its stride
    // would cut it.
    const int only = EnvironmentNumber("ZEL_SWEEP_ONLY");
    for (int point = 1; point <= report.points; point += stride) {
        ++report.tried;
        if (only > 0 && point != only) continue;
        restore();
        const std::string end = EndText(kind, report.tried);
        if (kind == CrashKind::PowerLoss) ++report.triedByModel[end.rfind("power:torn", 0) == 0 ? "power:torn" : end];
        std::string where = scenario.name + " point " + std::to_string(point) + " (" + end + "): ";
        std::vector<std::string> differences;
        // A run that refuses the record it was left asks for forget-run:
        // no cut may lead there.
        auto refused = [&](const ProgramResult& run, const std::string& which) {
            if (run.output.find("forget-run") != std::string::npos) {
                differences.push_back(where + which + " refused the home: " + run.output);
            }
        };
        EndAt("*:" + std::to_string(point), end);
        world.Upgrade(scenario.arguments);
        // Every third point, the rerun is cut short too: inside its put-back
        // when the first run left a journal, else early on; every ninth, the
        // next rerun once more.
        for (int cut = 1; cut <= (report.tried % 9 == 0 ? 2 : report.tried % 3 == 0 ? 1 : 0); ++cut) {
            const bool putBack = HasJournal(world);
            if (cut == 2 && !putBack) break;
            const std::string recutEnd = EndText(kind, report.tried + cut);
            const std::string selection = putBack ? PutBackCut(report.tried / 3 + cut) : "*:" + std::to_string(1 + point % 97);
            EndAt(selection, recutEnd);
            const ProgramResult recut = world.Upgrade(scenario.arguments);
            refused(recut, "the rerun cut at " + selection);
            where += "then " + selection + " (" + recutEnd + ")" + (EndedAbruptly(recut) ? "" : " not reached") + ": ";
            if (cut == 1) ++report.rerunsCut;
            if (cut == 2) ++report.thirdCuts;
            if (putBack && EndedAbruptly(recut)) ++report.putBacksCut;
        }
        NoFault();
        std::string planned;
        const bool checked = kind == CrashKind::Kill && report.tried % 5 == 1;
        if (checked) CheckBeforeRerun(world, scenario, where, &differences, &planned);
        const ProgramResult final = world.Upgrade(scenario.arguments);
        refused(final, "the final rerun");
        if (!planned.empty()) {
            const std::vector<std::string> reruns = ReportsOf(world.Home(), "upgrade");
            if (reruns.size() != 1 || ActionsText(reruns[0]) != planned) {
                differences.push_back(where + "the check planned " + planned + "\nbut the rerun did " +
                                      (reruns.size() == 1 ? ActionsText(reruns[0]) : std::to_string(reruns.size()) + " reports"));
            }
        }
        if (final.exitCode != 0)
            differences.push_back(where + "the final rerun ended with " + std::to_string(final.exitCode) + ": " +
                                  final.output);
        CompareOutcome(expected, ObserveOutcome(world), where, &differences);
        if (differences.empty()) ++report.converged;
        report.differences.insert(report.differences.end(), differences.begin(), differences.end());
    }
    NoFault();
    ServiceState::Remove();
    return report;
}

}  // namespace zel::testing
