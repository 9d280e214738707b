#include "support/upgrade_fixture.h"

#include <algorithm>
#include <regex>

namespace zel::testing {

namespace fs = std::filesystem;

bool IsRunLog(const std::string& relativePath) {
    const std::string name = fs::path(relativePath).filename().string();
    return relativePath.rfind("system/UPGRADE-", 0) == 0 && relativePath.find('/', 7) == std::string::npos &&
           name.size() > 12 && name.compare(name.size() - 4, 4, ".LOG") == 0;
}

DirectorySnapshot SnapshotDirectory(const fs::path& root) {
    DirectorySnapshot snapshot;
    if (!fs::exists(root)) return snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (IsRunLog(relative)) continue;
        snapshot[relative] = ReadFileText(entry.path());
    }
    return snapshot;
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

ProgramResult UpgradeWorld::UpgradeRaw(const std::vector<std::string>& args, const std::string& input) const {
    return RunProgram(UpgradeProgram(), args, input);
}

}  // namespace zel::testing
