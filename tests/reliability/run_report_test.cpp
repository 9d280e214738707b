// The report every run leaves beside its log: it parses, holds every field
// of its schema, and names every change zelhome diff finds between the home
// before the run and after it; the summary names them too. Over the homes
// and arguments the sweeps use, with -CHECK before each run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "reliability/sweep_scenarios.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// The reports in HOME/system, by name (the name starts with the run's time).
std::vector<fs::path> Reports(const fs::path& home) {
    std::vector<fs::path> reports;
    for (const auto& entry : fs::directory_iterator(home / "system")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("UPGRADE-", 0) == 0 && entry.path().extension() == ".json") reports.push_back(entry.path());
    }
    std::sort(reports.begin(), reports.end());
    return reports;
}

// The report of the run with this mode, its schema checked.
Json ReportOf(const fs::path& home, const std::string& mode) {
    for (const fs::path& path : Reports(home)) {
        const Json report = Json::parse(ReadFileText(path));
        if (report.value("mode", "") != mode) continue;
        for (const char* key :
             {"schema", "version", "mode", "home", "arguments", "status", "changed", "actions", "failed_steps",
              "backups", "services", "skipped", "bytes_converted", "bytes_copied", "duration_seconds", "log"}) {
            EXPECT_TRUE(report.contains(key)) << key << " missing from " << path;
        }
        EXPECT_EQ(report["schema"], 1);
        for (const Json& action : report["actions"]) {
            EXPECT_TRUE(action["kind"].is_string() && action["target"].is_string()) << action;
        }
        // Beside its log, under the same name.
        fs::path log = path;
        log.replace_extension(".LOG");
        EXPECT_EQ(report["log"], SystemText(log));
        EXPECT_TRUE(fs::exists(log)) << log;
        return report;
    }
    ADD_FAILURE() << "no report of a " << mode << " run in " << home;
    return Json::object();
}

// Whether some action names text: as its target or its detail, a file as
// HOME/<path> or by its name, a database with or without its owner.
bool Named(const Json& actions, const std::string& text) {
    for (const Json& action : actions) {
        for (const char* key : {"target", "detail"}) {
            const std::string value = action.value(key, "");
            if (value.empty()) continue;
            if (value == text || value == "HOME/" + text || value == "SYSTEM." + text || "SYSTEM." + value == text ||
                value == fs::path(text).filename().string()) {
                return true;
            }
        }
    }
    return false;
}

bool HasKind(const Json& actions, const std::string& kind) {
    for (const Json& action : actions) {
        if (action["kind"] == kind) return true;
    }
    return false;
}

// The word after "prefix: " up to the first blank, and after an id.
std::string WordAfter(const std::string& line, size_t at, bool skipId) {
    std::istringstream words(line.substr(at));
    std::string word;
    words >> word;
    if (skipId) words >> word;
    return word;
}

// Every change zelhome diff lists between before and after is named by an
// action of the report.
void ExpectDiffNamedByActions(const std::string& diff, const Json& actions) {
    std::istringstream lines(diff);
    std::string line;
    std::string section;
    while (std::getline(lines, line)) {
        if (line.rfind("== ", 0) == 0) {
            section = line;
            continue;
        }
        if (line.empty() || line == "(no change)") continue;
        SCOPED_TRACE(section + " " + line);
        const size_t colon = line.find(": ");
        if (section == "== Dictionary files ==") {
            EXPECT_TRUE(Named(actions, "system/" + line.substr(0, line.find_first_of(": "))));
        } else if (section == "== Databases ==" || section == "== Data formats ==") {
            const std::string verb = line.substr(0, colon);
            std::string name = WordAfter(line, colon + 2, true);
            if (verb == "renamed") name = line.substr(line.rfind(' ') + 1);
            EXPECT_TRUE(Named(actions, name));
        } else if (section == "== System configuration ==") {
            const std::string field = line.rfind("charset ", 0) == 0 ? "charsets" : line.substr(0, colon);
            EXPECT_TRUE(Named(actions, field));
        } else if (section == "== Native character set ==") {
            EXPECT_TRUE(Named(actions, "native character set"));
        } else if (section == "== Files ==") {
            const std::string verb = line.substr(0, colon);
            std::string path = line.substr(colon + 2);
            const size_t arrow = path.find(" -> ");
            const std::string other = arrow == std::string::npos ? path : path.substr(arrow + 4);
            path = path.substr(0, arrow);
            const std::string name = fs::path(path).filename().string();
            // A database's data file comes and goes with the database.
            if (name.rfind("DB", 0) == 0 && fs::path(name).extension() == ".dat") {
                EXPECT_TRUE(HasKind(actions, verb == "deleted" ? "database removed" : "database made"));
                continue;
            }
            // An index goes with the index's database named.
            if (verb == "deleted" && fs::path(name).extension() == ".idx") {
                EXPECT_TRUE(HasKind(actions, "index removed"));
                continue;
            }
            EXPECT_TRUE(Named(actions, path) || Named(actions, other));
        } else if (section == "== Indices ==") {
            EXPECT_TRUE(HasKind(actions, "index removed"));
        }
    }
}

// The summary names every change the report lists, long lists folded.
void ExpectSummaryNamesActions(const std::string& output, const Json& actions) {
    const size_t at = output.rfind("\nSummary of the upgrade:\n");
    ASSERT_NE(at, std::string::npos) << output;
    const std::string summary = output.substr(at);
    const bool folded = summary.find(" in all)") != std::string::npos;
    for (const Json& action : actions) {
        const std::string kind = action["kind"];
        const std::string target = action["target"];
        const std::string name = fs::path(target).filename().string();
        const bool named = summary.find(target) != std::string::npos || summary.find(name) != std::string::npos ||
                           summary.find(action.value("detail", "\x01")) != std::string::npos;
        if (kind == "format added" || (kind == "file written" && target.rfind("HOME/bin/", 0) == 0)) {
            EXPECT_TRUE(named || folded) << action << summary;
        } else if (target.rfind("HOME/system/", 0) == 0 && name.size() == 10 && name.find(".DIC") == 6) {
            EXPECT_NE(summary.find("dictionary files brought to the current title:"), std::string::npos);
        } else {
            EXPECT_TRUE(named) << action << summary;
        }
    }
}

// Actions as "kind target (detail)", in order, for a comparison that
// shows what differs.
std::multiset<std::string> ActionSet(const Json& actions) {
    std::multiset<std::string> set;
    for (const Json& action : actions) {
        set.insert(action["kind"].get<std::string>() + " " + action["target"].get<std::string>() + " (" +
                   action.value("detail", "") + ")");
    }
    return set;
}

TEST(RunReport, NamesEveryChangeOfEachScenarioAndCheckPredictsIt) {
    for (const SweepScenario& scenario : ScenariosToSweep()) {
        SCOPED_TRACE(scenario.name);
        UpgradeWorld world;
        ASSERT_EQ(world.MakeHome(scenario.home).exitCode, 0);
        if (scenario.prepare) scenario.prepare(world);

        std::vector<std::string> checkArguments = scenario.arguments;
        checkArguments.push_back("-CHECK");
        const ProgramResult check = world.Upgrade(checkArguments);
        ASSERT_EQ(check.exitCode, 0) << check.output;
        const Json checked = ReportOf(world.Home(), "check");
        EXPECT_EQ(checked["status"], 0);
        EXPECT_EQ(checked["changed"], true);
        EXPECT_FALSE(checked["actions"].empty());

        const fs::path before = world.Home().parent_path() / "before";
        fs::copy(world.Home(), before, fs::copy_options::recursive);
        const ProgramResult run = world.Upgrade(scenario.arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const Json report = ReportOf(world.Home(), "upgrade");
        EXPECT_EQ(report["status"], 0);
        EXPECT_EQ(report["changed"], true);
        EXPECT_TRUE(report["failed_steps"].empty()) << report["failed_steps"];
        EXPECT_GT(report["bytes_copied"].get<int64_t>(), 0);
        EXPECT_EQ(report["arguments"].back(), scenario.arguments.back());

        const ProgramResult diff = RunProgram(
            NativePath(BuiltZelhome()),
            {"diff", "--package", SystemText(world.Package()), SystemText(before), SystemText(world.Home())});
        ASSERT_EQ(diff.exitCode, 0) << diff.output;
        ExpectDiffNamedByActions(diff.output, report["actions"]);
        // The plan is the run: the check made the run over a dry run.
        EXPECT_EQ(ActionSet(checked["actions"]), ActionSet(report["actions"]));
        ExpectSummaryNamesActions(run.output, report["actions"]);
        for (const Json& item : report["skipped"]) {
            EXPECT_NE(run.output.find(item["what"].get<std::string>() + ": " + item["reason"].get<std::string>()),
                      std::string::npos)
                << item;
        }
    }
}

// A home whose run was killed in the dictionary phase: the check makes the
// put-back of its journal over the dry run too, so it plans what the rerun
// does, and leaves the journal where it was.
TEST(RunReport, CheckOfAnInterruptedRunPlansItsRerun) {
    const std::vector<SweepScenario> scenarios = FaultSweepScenarios();
    const auto resumed = std::find_if(scenarios.begin(), scenarios.end(), [](const SweepScenario& scenario) {
        return scenario.name.find("resumed") != std::string::npos;
    });
    if (resumed == scenarios.end()) GTEST_SKIP() << "the scenarios chosen leave out the resumed run";
    const SweepScenario& scenario = *resumed;
    UpgradeWorld world;
    ASSERT_EQ(world.MakeHome(scenario.home).exitCode, 0);
    scenario.afterServices(world);
    const fs::path journal = world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL";
    ASSERT_TRUE(fs::exists(journal));

    std::vector<std::string> checkArguments = scenario.arguments;
    checkArguments.push_back("-CHECK");
    const ProgramResult check = world.Upgrade(checkArguments);
    ASSERT_EQ(check.exitCode, 0) << check.output;
    EXPECT_TRUE(fs::exists(journal));
    const Json checked = ReportOf(world.Home(), "check");
    EXPECT_EQ(checked["changed"], true);

    const ProgramResult run = world.Upgrade(scenario.arguments);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(checked["actions"], ReportOf(world.Home(), "upgrade")["actions"]);
}

}  // namespace
}  // namespace zel::testing
