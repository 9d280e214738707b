#include "reliability/fault_sweep.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "reliability/sweep_outcome.h"
#include "reliability/system_call_trials.h"

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

bool IsWatched(const std::string& path) {
    const std::string upper = [&] {
        std::string text = path;
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    }();
    auto endsWith = [&](const char* suffix) {
        const std::string s = suffix;
        return upper.size() >= s.size() && upper.compare(upper.size() - s.size(), s.size(), s) == 0;
    };
    return upper.rfind("SYSTEM/", 0) == 0 && (endsWith(".INI") || endsWith(".DIC") || endsWith(".CFG"));
}

bool IsDictionaryFile(const std::string& path) { return path.size() > 4 && path.substr(path.size() - 4) == ".DIC"; }

uint32_t ReadU32(const std::string& bytes, size_t offset) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24;
}

// A dictionary file whose header and length agree: never half-written.
bool IsWholeDictionaryFile(const std::string& bytes) {
    if (bytes.size() < 96) return false;
    const uint64_t expected = 96 + static_cast<uint64_t>(ReadU32(bytes, 8)) * ReadU32(bytes, 12);
    return expected == bytes.size();
}

// A text file that ends where a line ends.
bool IsWholeTextFile(const std::string& text) { return text.empty() || text.back() == '\n'; }

std::vector<std::string> KeyValueLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find('=') != std::string::npos && line[0] != ';' && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

// The lines of the output that start with "ERROR: ".
std::vector<std::string> ErrorLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream stream(output);
    std::string line;
    while (std::getline(stream, line)) {
        if (line.rfind("ERROR: ", 0) == 0) lines.push_back(line);
    }
    return lines;
}

// The steps a run that finished with errors lists at its end; false when
// the list is not what ends the run's messages, before the summary that
// closes the output.
bool ClosingList(const std::string& output, std::vector<std::string>* steps) {
    const std::string head = "\nThese steps failed:\n";
    const std::string tail = "run the same command again after mending them.\n\n";
    const size_t summary = output.rfind("\nSummary of the upgrade:\n");
    const std::string messages = output.substr(0, summary);
    const size_t at = messages.rfind(head);
    if (summary == std::string::npos || at == std::string::npos || messages.size() < tail.size() ||
        messages.compare(messages.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    std::istringstream stream(messages.substr(at + head.size()));
    std::string line;
    while (std::getline(stream, line) && line.rfind("    ", 0) == 0) steps->push_back(line.substr(4));
    return !steps->empty();
}

// The steps the closing summary names as failed.
std::vector<std::string> SummaryFailedSteps(const std::string& output) {
    std::vector<std::string> steps;
    const size_t summary = output.rfind("\nSummary of the upgrade:\n");
    const std::string head = "\n  Steps that failed:\n";
    const size_t at = output.find(head, summary == std::string::npos ? output.size() : summary);
    if (at == std::string::npos) return steps;
    std::istringstream stream(output.substr(at + head.size()));
    std::string line;
    while (std::getline(stream, line) && line.rfind("    ", 0) == 0) steps.push_back(line.substr(4));
    return steps;
}

// What the faulted run says must match what it did.
void CheckWhatTheRunSays(const ProgramResult& run, const std::string& where, SweepReport* report) {
    const std::vector<std::string> errors = ErrorLines(run.output);
    switch (run.exitCode) {
        case 0: ++report->finished; return;
        case 1:
            ++report->stopped;
            if (errors.empty()) report->violations.push_back(where + "stopped without an ERROR line");
            return;
        case 2: break;
        default:
            report->violations.push_back(where + "ended with exit status " + std::to_string(run.exitCode) + ": " +
                                         run.output);
            return;
    }
    ++report->finishedWithErrors;
    std::vector<std::string> steps;
    if (!ClosingList(run.output, &steps)) {
        report->violations.push_back(where + "finished with errors without the list of failed steps at its end");
        return;
    }
    if (SummaryFailedSteps(run.output) != steps) {
        report->violations.push_back(where + "the summary does not name the steps the list names");
    }
    for (const std::string& step : steps) {
        const bool named = std::any_of(errors.begin(), errors.end(),
                                       [&](const std::string& line) { return line.find(step + ": ") != std::string::npos; });
        if (!named) report->violations.push_back(where + "no ERROR line names the failed step \"" + step + "\"");
    }
}

// The places of a clean run where a fault can be injected, from its
// ZEL_FAULT_SITES log ("<all:N>\t<name>\t<public call>\t<step>\t<file>"):
// each distinct place failed at its first point.
std::vector<Trial> FaultPointTrials(const std::string& sitesLog, int* operations) {
    std::vector<Trial> trials;
    std::set<std::string> seen;
    std::istringstream stream(ReadFileText(sitesLog));
    std::string line;
    *operations = 0;
    while (std::getline(stream, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        ++*operations;
        if (!seen.insert(line.substr(tab + 1)).second) continue;
        const std::string point = "all:" + line.substr(0, tab);
        const SystemError& error = ErrorOfPlace(trials.size());
        trials.push_back({point + " (" + error.name + ")", {{"ZEL_FAULT", point}, {"ZEL_FAULT_AS", error.name}},
                          "injected"});
    }
    return trials;
}

// A run that a fault stopped or made fail says what the system said: the
// failure's text reaches an ERROR line, or, from the service manager, the
// Windows error it became ("Access is denied. (5)").
bool StatesTheReason(const std::string& output, const std::string& reason) {
    static const std::regex windowsError(R"(\. \([0-9]+\)$)");
    for (const std::string& line : ErrorLines(output)) {
        if (line.find(reason) != std::string::npos || std::regex_search(line, windowsError)) return true;
    }
    return false;
}

// A stop may leave a service it had stopped stopped: it registers the old
// service again as it was, but starts no server. The service files without
// their state lines.
// A lock a killed run left is taken and let go as any run does.
SweepOutcome WithoutLeftLock(SweepOutcome outcome) {
    outcome.home.erase("system/UPGRADE.LCK");
    return outcome;
}

// The name an ended journal was set aside under proves only that it ended:
// a run that puts its own journal back after the interrupted run's leaves
// its own there, which changes nothing the home holds.
SweepOutcome WithEndedJournalAsAName(SweepOutcome outcome) {
    const auto gone = outcome.home.find("system/UPGRADE.RUN/JOURNAL/JOURNAL.GONE");
    if (gone != outcome.home.end()) gone->second.clear();
    return outcome;
}

SweepOutcome WithoutServiceStates(SweepOutcome outcome) {
    for (auto& [name, text] : outcome.serviceFiles) {
        std::istringstream lines(text);
        std::string kept, line;
        while (std::getline(lines, line)) {
            if (line.rfind("State=", 0) != 0 && line.rfind("StopPolls=", 0) != 0 && line.rfind("PendingPolls=", 0) != 0) {
                kept += line + "\n";
            }
        }
        text = kept;
    }
    return outcome;
}

}  // namespace

SweepReport RunFaultSweep(const SweepScenario& scenario, int stride, Injection injection) {
    SweepReport report;
    UpgradeWorld world;
    const ProgramResult made = world.MakeHome(scenario.home);
    if (made.exitCode != 0) {
        report.violations.push_back("zelhome new failed: " + made.output);
        return report;
    }
    if (scenario.prepare) scenario.prepare(world);

    ScratchDir keep("sweep");
    // The previous release's service is registered, so that its removal and
    // the new service's installation are swept too.
    ServiceState services;
    if (!services.Prepare(world, keep.Root() / "services")) {
        report.violations.push_back("the old service could not be registered");
        return report;
    }
    if (scenario.afterServices) {
        scenario.afterServices(world);
        services.Capture(world);
    }
    const fs::path pristineHome = keep.Root() / "home";
    CopyTree(world.Home(), pristineHome);
    auto restore = [&] {
        CopyTree(pristineHome, world.Home());
        services.Restore(world);
    };
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    // What a run that stops must leave: the home, its dictionary and the
    // services as they were.
    const SweepOutcome untouched = ObserveOutcome(world);
    const std::string log = keep.Path("fault-sites.log");

    // The check of the same run first: it finds nothing that stops it, as
    // the clean run below then proves, and changes nothing but its log and
    // its report.
    std::vector<std::string> checkArguments = scenario.arguments;
    checkArguments.push_back("-CHECK");
    const ProgramResult check = world.Upgrade(checkArguments);
    if (check.exitCode != 0) report.violations.push_back("the check ended with " + std::to_string(check.exitCode) + ": " + check.output);
    CompareOutcome(WithoutLeftLock(untouched), WithoutLeftLock(ObserveOutcome(world)), "the check changed something: ",
                   &report.violations);
    if (!TakeCheckLogAndReport(world.Home())) {
        report.violations.push_back("the check did not write its log and its report alone");
    }

    // A home an interrupted run left: every run puts its dictionary phase
    // back first, so a run may also stop with that done, as one stopped at
    // its first open of the dictionary shell (after the put-back) leaves it.
    std::optional<SweepOutcome> putBack;
    if (fs::exists(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL")) {
        SetEnvironment("ZEL_FAULT", "ShellOpen:1");
        const ProgramResult stopped = world.Upgrade(scenario.arguments);
        UnsetEnvironment("ZEL_FAULT");
        if (stopped.exitCode != 1) report.violations.push_back("the put-back alone did not end 1: " + stopped.output);
        putBack = ObserveOutcome(world);
        restore();
    }

    // A clean run: the places to fail, and its result.
    const bool systemCalls = injection == Injection::SystemCalls;
    SetEnvironment(systemCalls ? "ZEL_TEST_UPGRADE_WRAPPER" : "ZEL_FAULT_SITES",
                   systemCalls ? TracingWrapper(log) : log);
    const ProgramResult clean = world.Upgrade(scenario.arguments);
    UnsetEnvironment(systemCalls ? "ZEL_TEST_UPGRADE_WRAPPER" : "ZEL_FAULT_SITES");
    if (clean.exitCode != 0) {
        report.violations.push_back("the clean run failed: " + clean.output);
        ServiceState::Remove();
        return report;
    }
    const SweepOutcome cleanOutcome = ObserveOutcome(world);
    const DirectorySnapshot& after = cleanOutcome.home;
    const std::vector<Trial> trials = systemCalls ? SystemCallTrials(log, world.UpgradeProgram(), &report.operations)
                                                  : FaultPointTrials(log, &report.operations);
    report.faultPoints = static_cast<int>(trials.size());
    // The installed items a clean run keeps (in the file or its backup) must
    // survive any stop and rerun as well.
    std::vector<std::string> originalItems;
    for (const char* name : {"system/PROFILE.INI"}) {
        auto found = before.find(name);
        if (found == before.end()) continue;
        const std::string kept = (after.count(name) ? after.at(name) : "") +
                                 (after.count(std::string(name) + ".BAK") ? after.at(std::string(name) + ".BAK") : "");
        for (const std::string& line : KeyValueLines(found->second)) {
            if (kept.find(line) != std::string::npos) originalItems.push_back(std::string(name) + "|" + line);
        }
    }

    // ZEL_SWEEP_SHOW=all:N (or "<scenario> all:N") tries that point alone,
    // prints what its run and its rerun said and keeps the home after each
    // (ZEL_SWEEP_SHOW_WAIT: until a line is read).
    const char* shown = std::getenv("ZEL_SWEEP_SHOW");
    for (size_t place = 0; place < trials.size(); place += static_cast<size_t>(shown ? 1 : stride)) {
        const Trial& trial = trials[place];
        const std::string point = trial.label.substr(0, trial.label.find(' '));
        if (shown != nullptr && point != shown && scenario.name + " " + point != shown) continue;
        ++report.triedPoints;
        restore();
        for (const auto& [name, value] : trial.variables) SetEnvironment(name, value);
        const ProgramResult faulted = world.Upgrade(scenario.arguments);
        for (const auto& [name, value] : trial.variables) UnsetEnvironment(name);
        const std::string where = scenario.name + " " + trial.label + ": ";

        if (shown != nullptr) {
            std::printf("%s\n%s\n", where.c_str(), faulted.output.c_str());
            CopyTree(world.Home(), keep.Root() / "shown-after-the-fault");
        }
        CheckWhatTheRunSays(faulted, where, &report);
        if (faulted.exitCode != 0 && !StatesTheReason(faulted.output, trial.reason)) {
            report.violations.push_back(where + "ended " + std::to_string(faulted.exitCode) +
                                        " without the system's reason in an ERROR line");
        }
        // Status 0 says the home is what a clean run leaves: it must be.
        if (faulted.exitCode == 0) {
            CompareOutcome(cleanOutcome, ObserveOutcome(world), where + "ended 0, but ", &report.violations);
        }
        // Status 1 says nothing changed, the services included: the old
        // service registered as it was, no new one, every file and folder of
        // the home as it was (its log aside), or as the put-back of an
        // interrupted run left it.
        if (faulted.exitCode == 1) {
            const SweepOutcome found = WithoutLeftLock(WithoutServiceStates(ObserveOutcome(world)));
            std::vector<std::string> unlike;
            CompareOutcome(WithoutLeftLock(WithoutServiceStates(untouched)), found, where + "ended 1, but ", &unlike);
            std::vector<std::string> unlikePutBack;
            if (putBack) {
                CompareOutcome(WithEndedJournalAsAName(WithoutServiceStates(*putBack)), WithEndedJournalAsAName(found),
                               where + "ended 1, but ", &unlikePutBack);
            }
            if (!unlike.empty() && (!putBack || !unlikePutBack.empty())) {
                report.violations.insert(report.violations.end(), unlike.begin(), unlike.end());
            }
        }

        const bool finished = faulted.output.find("\nUpgrade is finished!\n") != std::string::npos;
        const DirectorySnapshot state = SnapshotDirectory(world.Home());
        // A run stopped in the dictionary phase puts every file of it back.
        const bool stoppedInDictionaries = !finished && faulted.output.find("Now, Copying") == std::string::npos;
        auto putBackHolds = [&](const std::string& path) {
            return putBack && putBack->home.count(path) && state.count(path) && state.at(path) == putBack->home.at(path);
        };
        for (const auto& [path, bytes] : before) {
            if (stoppedInDictionaries && IsDictionaryFile(path) && (!state.count(path) || state.at(path) != bytes) &&
                !putBackHolds(path)) {
                report.violations.push_back(where + path + " was not put back after the stop");
            }
        }
        for (const auto& [path, bytes] : before) {
            if (IsWatched(path) && after.count(path) && !state.count(path)) {
                report.violations.push_back(where + path + " is missing");
            }
        }
        for (const auto& [path, bytes] : state) {
            if (!IsWatched(path)) continue;
            const bool old = before.count(path) && before.at(path) == bytes;
            const bool fresh = after.count(path) && after.at(path) == bytes;
            if (old || fresh) continue;
            const bool whole = IsDictionaryFile(path) ? IsWholeDictionaryFile(bytes) : IsWholeTextFile(bytes);
            if (!whole) report.violations.push_back(where + path + " is half-written");
        }

        // A fault-free rerun reaches a clean run's result: every file and
        // folder of the home, the dictionary with its ids, the services.
        const ProgramResult rerun = world.Upgrade(scenario.arguments);
        if (rerun.exitCode != 0) {
            report.violations.push_back(where + "the rerun ended with " + std::to_string(rerun.exitCode) + ": " +
                                        (ErrorLines(rerun.output).empty() ? "" : ErrorLines(rerun.output).front()));
        }
        if (shown != nullptr) {
            std::printf("the rerun:\n%s\n", rerun.output.c_str());
            CopyTree(world.Home(), keep.Root() / "shown-after-the-rerun");
            if (std::getenv("ZEL_SWEEP_SHOW_WAIT") != nullptr) std::getchar();
        }
        const SweepOutcome rerunOutcome = ObserveOutcome(world);
        CompareOutcome(cleanOutcome, rerunOutcome, where + "after the rerun, ", &report.violations);
        for (const std::string& item : originalItems) {
            const std::string file = item.substr(0, item.find('|'));
            const std::string line = item.substr(item.find('|') + 1);
            const std::string installed = rerunOutcome.home.count(file) ? rerunOutcome.home.at(file) : "";
            const std::string backup =
                rerunOutcome.home.count(file + ".BAK") ? rerunOutcome.home.at(file + ".BAK") : "";
            if (installed.find(line) == std::string::npos && backup.find(line) == std::string::npos) {
                report.violations.push_back(where + "lost " + line + " of " + file);
            }
        }
    }
    ServiceState::Remove();
    return report;
}

}  // namespace zel::testing
