#include "reliability/fault_sweep.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

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

// zelhome's dump of the home: the dictionary as the shell reads it.
std::string Dump(const UpgradeWorld& world) {
    const ProgramResult dumped = world.DumpHome();
    return dumped.exitCode == 0 ? dumped.output : "zelhome dump failed: " + dumped.output;
}

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

}  // namespace

SweepReport RunFaultSweep(const SweepScenario& scenario, int stride) {
    SweepReport report;
    UpgradeWorld world;
    const ProgramResult made = world.MakeHome();
    if (made.exitCode != 0) {
        report.violations.push_back("zelhome new failed: " + made.output);
        return report;
    }
    if (scenario.prepare) scenario.prepare(world);

    ScratchDir keep("sweep");
    const fs::path pristineHome = keep.Root() / "home";
    const fs::path pristineServices = keep.Root() / "services";
    CopyTree(world.Home(), pristineHome);
    CopyTree(world.Services(), pristineServices);
    const DirectorySnapshot before = SnapshotDirectory(world.Home());
    const std::string log = keep.Path("fault-points.log");

    // A clean run: its fault points and its result.
    SetEnvironment("ZEL_FAULT_LOG", log);
    const ProgramResult clean = world.Upgrade(scenario.arguments);
    UnsetEnvironment("ZEL_FAULT_LOG");
    if (clean.exitCode != 0) {
        report.violations.push_back("the clean run failed: " + clean.output);
        return report;
    }
    const DirectorySnapshot after = SnapshotDirectory(world.Home());
    const std::string cleanDump = Dump(world);
    report.faultPoints = CountFileLines(log);
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

    for (int point = 1; point <= report.faultPoints; point += stride) {
        ++report.triedPoints;
        CopyTree(pristineHome, world.Home());
        CopyTree(pristineServices, world.Services());
        SetEnvironment("ZEL_FAULT", "*:" + std::to_string(point));
        const ProgramResult faulted = world.Upgrade(scenario.arguments);
        UnsetEnvironment("ZEL_FAULT");
        const std::string where = scenario.name + " point " + std::to_string(point) + ": ";

        const bool finished = faulted.output.find("\nUpgrade is finished!\n") != std::string::npos;
        if (!finished && faulted.exitCode == 0) report.violations.push_back(where + "stopped with exit status 0");

        const DirectorySnapshot state = SnapshotDirectory(world.Home());
        // A run stopped in the dictionary phase puts every file of it back.
        const bool stoppedInDictionaries = !finished && faulted.output.find("Now, Copying") == std::string::npos;
        for (const auto& [path, bytes] : before) {
            if (stoppedInDictionaries && IsDictionaryFile(path) && (!state.count(path) || state.at(path) != bytes)) {
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

        // A fault-free rerun converges.
        world.Upgrade(scenario.arguments);
        const DirectorySnapshot rerun = SnapshotDirectory(world.Home());
        for (const auto& [path, bytes] : after) {
            if (!IsWatched(path)) continue;
            auto found = rerun.find(path);
            if (found != rerun.end() && found->second == bytes) continue;
            const std::string difference =
                where + path + (found == rerun.end() ? " missing after the rerun" : " differs after the rerun");
            report.violations.push_back(difference);
        }
        // Database ids included: a stop in the dictionary phase puts it back,
        // so the rerun makes every database under the id a clean run gives.
        if (Dump(world) != cleanDump) report.violations.push_back(where + "the dictionary differs from a clean run's");
        for (const std::string& item : originalItems) {
            const std::string file = item.substr(0, item.find('|'));
            const std::string line = item.substr(item.find('|') + 1);
            const std::string installed = rerun.count(file) ? rerun.at(file) : "";
            const std::string backup = rerun.count(file + ".BAK") ? rerun.at(file + ".BAK") : "";
            if (installed.find(line) == std::string::npos && backup.find(line) == std::string::npos) {
                report.violations.push_back(where + "lost " + line + " of " + file);
            }
        }
    }
    return report;
}

}  // namespace zel::testing
