#include "support/upgrade_fixture.h"

namespace zel::testing {

namespace fs = std::filesystem;

DirectorySnapshot SnapshotDirectory(const fs::path& root) {
    DirectorySnapshot snapshot;
    if (!fs::exists(root)) return snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        snapshot[fs::relative(entry.path(), root).generic_string()] = ReadFileText(entry.path());
    }
    return snapshot;
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
