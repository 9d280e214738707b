#include "support/upgrade_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "zelkit.h"

namespace zel::testing {

namespace fs = std::filesystem;

bool IsRunLog(const std::string& relativePath) {
    const std::string name = fs::path(relativePath).filename().string();
    return relativePath.rfind("system/UPGRADE-", 0) == 0 && relativePath.find('/', 7) == std::string::npos &&
           name.size() > 12 && name.compare(name.size() - 4, 4, ".LOG") == 0;
}

// The log or the report beside it: the run's bookkeeping, not its changes.
bool IsRunLogOrReport(const std::string& relativePath) {
    std::string log = relativePath;
    if (log.size() > 5 && log.compare(log.size() - 5, 5, ".json") == 0) log.replace(log.size() - 5, 5, ".LOG");
    return IsRunLog(log);
}

bool IsRunBookkeeping(const std::string& relativePath) {
    return IsRunLogOrReport(relativePath) || relativePath == "system/UPGRADE.LCK";
}

FileStamps StampDirectory(const fs::path& root) {
    FileStamps stamps;
    if (!fs::exists(root)) return stamps;
    std::map<std::string, std::set<std::string>> listings;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (IsRunBookkeeping(relative)) continue;
        const std::string folder = fs::relative(entry.path().parent_path(), root).generic_string();
        listings[folder + "/"].insert(entry.path().filename().string());
        if (entry.is_directory() || entry.is_symlink()) continue;
        ZFileInfo info{};
        const std::string path = entry.path().string();
        if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info)) {
            stamps[relative] = "cannot be looked at";
            continue;
        }
        const auto modified = fs::last_write_time(entry.path()).time_since_epoch();
        std::ostringstream stamp;
        stamp << "file " << info.volume << ":" << info.index << ", modified "
              << std::chrono::duration_cast<std::chrono::nanoseconds>(modified).count() << " ns, " << info.size
              << " bytes";
        stamps[relative] = stamp.str();
    }
    for (const auto& [folder, names] : listings) {
        std::string& listing = stamps[folder];
        for (const std::string& name : names) listing += name + "; ";
    }
    return stamps;
}

DirectorySnapshot SnapshotDirectory(const fs::path& root) {
    DirectorySnapshot snapshot;
    if (!fs::exists(root)) return snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (IsRunLogOrReport(relative)) continue;
        snapshot[relative] = ReadFileText(entry.path());
    }
    return snapshot;
}

bool TakeCheckLogAndReport(const fs::path& home) {
    // A home without its system folder has no place for them.
    if (!fs::is_directory(home / "system")) return true;
    const std::vector<fs::path> logs = RunLogs(home);
    if (logs.size() != 1) return false;
    fs::path report = logs[0];
    report.replace_extension(".json");
    std::error_code error;
    const bool both = fs::is_regular_file(report, error);
    fs::remove(logs[0], error);
    fs::remove(report, error);
    return both;
}

std::string MaskRunLogNames(const std::string& text) {
    static const std::regex name("UPGRADE-[0-9]{8}-[0-9]{6}-[0-9A-F]{8}\\.LOG");
    return std::regex_replace(text, name, "UPGRADE-<time>.LOG");
}

std::vector<fs::path> RunLogs(const fs::path& home) {
    std::vector<fs::path> logs;
    std::error_code error;
    for (fs::directory_iterator it(home / "system", error), end; !error && it != end; it.increment(error)) {
        if (IsRunLog("system/" + it->path().filename().string())) logs.push_back(it->path());
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

std::string BuiltUpgradeProgram() { return ZEL_UPGRADE_PATH; }
std::string BuiltPackageDir() { return ZEL_PACKAGE_PATH; }
std::string BuiltZelhome() { return ZELHOME_PATH; }

UpgradeWorld::UpgradeWorld(const fs::path& folder, const fs::path& homeName) : scratch_("world") {
    package_ = scratch_.Root() / folder / "package";
    home_ = scratch_.Root() / folder / homeName;
    services_ = scratch_.Root() / "services";
    fs::create_directories(services_);
    fs::create_directories(package_.parent_path());
    fs::copy(fs::path(BuiltPackageDir()), package_, fs::copy_options::recursive);
    SetEnvironment("ZEL_SERVICE_DIR", SystemText(services_));
    SetEnvironment("ZEL_SLEEP_SCALE", "0");
}

std::string UpgradeWorld::UpgradeProgram() const {
    return SystemText(package_ / fs::path(BuiltUpgradeProgram()).filename());
}

std::string UpgradeWorld::HomeArgument() const { return "DIR:" + SystemText(home_); }

void UpgradeWorld::StampPackage() const {
    const fs::path manifest = package_ / "package.manifest";
    std::istringstream lines(ReadFileText(manifest));
    std::string stamped;
    for (std::string line; std::getline(lines, line);) {
        const size_t name = line.find(' ', 66);
        const fs::path file = package_ / (name == std::string::npos ? "" : line.substr(name + 1));
        if (line.empty() || line[0] == '#' || name == std::string::npos || !fs::is_regular_file(file)) {
            stamped += line;
            stamped += '\n';
            continue;
        }
        const std::string bytes = ReadFileText(file);
        ZSha256 hash;
        Z_Sha256Begin(&hash);
        Z_Sha256Add(&hash, bytes.data(), bytes.size());
        uint8_t digest[Z_SHA256_SIZE];
        Z_Sha256End(&hash, digest);
        for (uint8_t byte : digest) {
            stamped += "0123456789abcdef"[byte >> 4];
            stamped += "0123456789abcdef"[byte & 15];
        }
        // Appended piece by piece: GCC 12 at -O3 reports an overlapping
        // copy (-Wrestrict) for a literal put in front of a string.
        stamped += ' ';
        stamped += std::to_string(bytes.size());
        stamped += line.substr(name);
        stamped += '\n';
    }
    WriteFileText(manifest, stamped);
}

ProgramResult UpgradeWorld::MakeHome(const std::string& descriptionJson) {
    std::vector<std::string> args = {"new", SystemText(home_)};
    if (!descriptionJson.empty()) {
        const fs::path description = scratch_.Root() / "home.json";
        WriteFileText(description, descriptionJson);
        args.push_back(SystemText(description));
    }
    return RunProgram(NativePath(BuiltZelhome()), args);
}

ProgramResult UpgradeWorld::DumpHome() const {
    return RunProgram(NativePath(BuiltZelhome()), {"dump", SystemText(home_)});
}

ProgramResult UpgradeWorld::Upgrade(const std::vector<std::string>& args, const std::string& input) const {
    std::vector<std::string> all = {HomeArgument()};
    all.insert(all.end(), args.begin(), args.end());
    return UpgradeRaw(all, input);
}

// ZEL_TEST_UPGRADE_WRAPPER: words the upgrade is run under (a tracer that
// injects system-call failures, say), the program and its arguments after
// them.
ProgramResult UpgradeWorld::UpgradeRaw(const std::vector<std::string>& args, const std::string& input) const {
    const char* wrapper = std::getenv("ZEL_TEST_UPGRADE_WRAPPER");
    if (wrapper == nullptr || *wrapper == '\0') return RunProgram(UpgradeProgram(), args, input);
    std::istringstream words(wrapper);
    std::vector<std::string> all;
    for (std::string word; words >> word;) all.push_back(word);
    const std::string tool = all.front();
    all.erase(all.begin());
    all.push_back(UpgradeProgram());
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(tool, all, input);
}

}  // namespace zel::testing
