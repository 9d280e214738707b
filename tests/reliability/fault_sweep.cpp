#include "reliability/fault_sweep.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

void CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ignored;
    fs::remove_all(to, ignored);
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive);
}

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

// The files that name databases by id: the database and column records, and
// CONFIG.DIC with its id counter and charset entries.
bool HoldsDatabaseIds(const std::string& path) {
    return path == "system/BASE.DIC" || path == "system/BASECOL.DIC" || path == "system/CONFIG.DIC";
}

// zelhome's dump of the home with every database id replaced by the
// database's owner and name: a database made again by a rerun has a later id
// (ids are never reused) but must otherwise be what a clean run makes.
std::string DumpWithoutIds(const UpgradeWorld& world) {
    using Json = nlohmann::json;
    const ProgramResult dumped = world.DumpHome();
    const size_t start = dumped.output.find('{');
    if (dumped.exitCode != 0 || start == std::string::npos) return "zelhome dump failed: " + dumped.output;
    Json dump = Json::parse(dumped.output.substr(start), nullptr, false);
    if (dump.is_discarded()) return "zelhome dump is not JSON";
    std::map<uint64_t, std::string> names;
    for (const Json& db : dump["databases"]) {
        names[db["id"].get<uint64_t>()] = db["owner"].get<std::string>() + "." + db["name"].get<std::string>();
    }
    auto byName = [&](Json& field) {
        const uint64_t id = field.get<uint64_t>();
        if (id == 0) return;
        auto found = names.find(id);
        field = found == names.end() ? "no database " + std::to_string(id) : found->second;
    };
    for (Json& db : dump["databases"]) {
        db.erase("id");
        for (const char* key : {"index_segment", "index_stop"}) {
            if (db.contains(key)) byName(db[key]);
        }
    }
    std::sort(dump["databases"].begin(), dump["databases"].end(), [](const Json& a, const Json& b) {
        return std::make_pair(a["owner"], a["name"]) < std::make_pair(b["owner"], b["name"]);
    });
    for (Json& entry : dump["config"]["charsets"]) {
        for (const char* key : {"segment", "stop", "thesaurus", "synonym", "antonym"}) byName(entry[key]);
    }
    return dump.dump(1);
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
    const std::string cleanDump = DumpWithoutIds(world);
    {
        std::istringstream points(ReadFileText(log));
        std::string line;
        while (std::getline(points, line)) ++report.faultPoints;
    }
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
        bool idsDiffer = false;
        for (const auto& [path, bytes] : after) {
            if (!IsWatched(path)) continue;
            auto found = rerun.find(path);
            if (found != rerun.end() && found->second == bytes) continue;
            const std::string difference = where + path + (found == rerun.end() ? " missing after the rerun" : " differs after the rerun");
            // One difference is known and listed: databases made again
            // under later ids (checked below); the rest must converge.
            const bool byIds = found != rerun.end() && HoldsDatabaseIds(path);
            idsDiffer = idsDiffer || byIds;
            if (byIds) report.differences.push_back(difference);
            else report.violations.push_back(difference);
        }
        if (idsDiffer && DumpWithoutIds(world) != cleanDump) {
            report.violations.push_back(where + "the dictionary differs from a clean run's in more than database ids");
        }
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
