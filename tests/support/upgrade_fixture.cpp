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

UpgradeWorld::UpgradeWorld() : scratch_("world") {
    package_ = scratch_.Root() / "package";
    home_ = scratch_.Root() / "home";
    services_ = scratch_.Root() / "services";
    fs::create_directories(services_);
    fs::copy(fs::path(BuiltPackageDir()), package_, fs::copy_options::recursive);
    SetEnvironment("ZEL_SERVICE_DIR", services_.string());
    SetEnvironment("ZEL_SLEEP_SCALE", "0");
}

std::string UpgradeWorld::UpgradeProgram() const {
    return (package_ / fs::path(BuiltUpgradeProgram()).filename()).string();
}

std::string UpgradeWorld::HomeArgument() const { return "DIR:" + home_.string(); }

ProgramResult UpgradeWorld::MakeHome(const std::string& descriptionJson) {
    std::vector<std::string> args = {"new", home_.string()};
    if (!descriptionJson.empty()) {
        const fs::path description = scratch_.Root() / "home.json";
        WriteFileText(description, descriptionJson);
        args.push_back(description.string());
    }
    return RunProgram(NativePath(BuiltZelhome()), args);
}

ProgramResult UpgradeWorld::DumpHome() const {
    return RunProgram(NativePath(BuiltZelhome()), {"dump", home_.string()});
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
