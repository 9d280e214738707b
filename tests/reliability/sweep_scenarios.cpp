#include "reliability/sweep_scenarios.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/registered_services.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zel::testing {

namespace {

void Configure(const UpgradeWorld& world) {
    WriteFileText(world.Home() / "system" / "PROFILE.INI",
                  "[IndexCache]\r\nLowLimit=100\r\nMemorySize=512\r\nOldKey=kept in backup\r\n\r\n"
                  "[Retrieval]\r\nIgnoreSenPunct=1\r\nParallelLimit=8\r\n\r\n"
                  "[AutoBatch]\r\nProgramStart=z40server.exe &PORT &BLOCK\r\nProgramClose=z40shutdown.exe\r\n");
    WriteFileText(world.Home() / "system" / "LOG.INI",
                  "# log settings\r\nMAX_FILENUM     7\r\nLOGIN           1\r\nlogout 1\r\n");
}

// The new programs in place before the upgrade, beside the old ones: no
// question, the old names come back as copies, the profile stays.
void ProgramsInPlace(const UpgradeWorld& world) {
    Configure(world);
    for (const char* name : {"zelserver.exe", "zelsearcher.exe", "zelmirror.exe", "zemshutdown.exe",
                             "zemservice.exe", "zemconsole.exe"}) {
        // The console program comes in one variant per character set.
        const std::filesystem::path source =
            world.Package() / (std::string(name) == "zemconsole.exe" ? "GB" : "") / name;
        std::filesystem::copy_file(source, world.Home() / "bin" / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

#ifndef _WIN32
// The stand-in service manager keeps a service in a file of its own: the
// old service is running, and its stop stays pending for two polls.
void OldServiceRunning(const UpgradeWorld& world) {
    for (const auto& entry : std::filesystem::directory_iterator(world.Services())) {
        const std::string text = ReadFileText(entry.path());
        if (text.rfind("Name=" + std::string(OLD_SERVICE) + "\n", 0) != 0) continue;
        WriteFileText(entry.path(), text + "State=4\nStopPolls=2\n");
    }
}
#endif

// The first ZEL_SWEEP_SCENARIOS of them, or those whose name holds
// ZEL_SWEEP_SCENARIO.
std::vector<SweepScenario> Selected(std::vector<SweepScenario> scenarios) {
    const int count = EnvironmentNumber("ZEL_SWEEP_SCENARIOS");
    if (count > 0 && static_cast<size_t>(count) < scenarios.size()) scenarios.resize(static_cast<size_t>(count));
    if (const char* part = std::getenv("ZEL_SWEEP_SCENARIO"); part != nullptr && *part != '\0') {
        std::erase_if(scenarios, [part](const SweepScenario& scenario) { return scenario.name.find(part) == std::string::npos; });
        // A sweep of nothing would pass.
        if (scenarios.empty()) ADD_FAILURE() << "no scenario's name holds \"" << part << "\"";
    }
    return scenarios;
}

}  // namespace

// The first run is killed at a fixed point of its dictionary phase, once
// VIEW.DIC has moved: the journal holds the dictionary files it had
// changed. A point no run reaches would leave a finished home instead, and
// the scenario would resume nothing: that fails here.
void KillInTheDictionaryPhase(const UpgradeWorld& world) {
    SetEnvironment("ZEL_FAULT", "Z_JournalFlush:1");
    SetEnvironment("ZEL_FAULT_END", "kill");
    world.Upgrade({"NEW:1", "CS:1", "OLD:N"});
    UnsetEnvironment("ZEL_FAULT_END");
    UnsetEnvironment("ZEL_FAULT");
    if (!std::filesystem::exists(world.Home() / "system" / "UPGRADE.RUN" / "JOURNAL" / "JOURNAL")) {
        ADD_FAILURE() << "the run killed in its dictionary phase left no journal";
    }
    // Its log is not what the sweep compares: the checks count the logs
    // that each later run leaves.
    for (const std::filesystem::path& log : RunLogs(world.Home())) {
        std::filesystem::path report = log;
        std::filesystem::remove(log);
        std::filesystem::remove(report.replace_extension(".json"));
    }
}

std::vector<SweepScenario> FaultSweepScenarios() {
    std::vector<SweepScenario> scenarios = SweepScenarios();
#ifndef _WIN32
    scenarios.push_back({"old service running NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}, nullptr, {},
                         OldServiceRunning});
#endif
    scenarios.push_back({"resumed after a kill NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}, nullptr, {},
                         KillInTheDictionaryPhase});
    return Selected(std::move(scenarios));
}

std::vector<SweepScenario> SweepScenarios() {
    return {
        {"default NEW:1 CS:1 OLD:N", {"NEW:1", "CS:1", "OLD:N"}, nullptr},
        {"default NEW:1 CS:1 OLD:N DIC:RIX ENT:REW", {"NEW:1", "CS:1", "OLD:N", "DIC:RIX", "ENT:REW"}, nullptr},
        {"configured NEW:3 DIC:REW OLD:Y", {"NEW:3", "CS:3", "DIC:REW", "OLD:Y"}, Configure},
        // No database that would refuse a native character set: it is set.
        {"new programs in place, no databases NEW:2 CS:1 OLD:Y", {"NEW:2", "CS:1", "OLD:Y"}, ProgramsInPlace,
         R"({"databases": []})"},
    };
}

std::vector<SweepScenario> ScenariosToSweep() {
    std::vector<SweepScenario> scenarios = SweepScenarios();
    return Selected(std::move(scenarios));
}

int SweepStride(int points, int pointsInCi) {
    if (const int stride = EnvironmentNumber("ZEL_SWEEP_STRIDE"); stride > 0) return stride;
    if (const int wanted = EnvironmentNumber("ZEL_SWEEP_POINTS"); wanted > 0) pointsInCi = wanted;
    return std::max(1, points / pointsInCi);
}

}  // namespace zel::testing
