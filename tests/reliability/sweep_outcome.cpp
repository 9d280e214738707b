#include "reliability/sweep_outcome.h"

#include <algorithm>
#include <filesystem>

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

std::set<std::string> FoldersUnder(const fs::path& root) {
    std::set<std::string> folders;
    if (!fs::exists(root)) return folders;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory()) folders.insert(fs::relative(entry.path(), root).generic_string());
    }
    return folders;
}

void CompareFiles(const std::string& what, const DirectorySnapshot& clean, const DirectorySnapshot& found,
                  const std::string& where, std::vector<std::string>* differences) {
    for (const auto& [path, bytes] : clean) {
        auto other = found.find(path);
        if (other == found.end()) {
            differences->push_back(where + what + path + " is missing");
        } else if (other->second != bytes) {
            differences->push_back(where + what + path + " differs");
        }
    }
    for (const auto& [path, bytes] : found) {
        if (clean.count(path) == 0) differences->push_back(where + what + path + " is left over");
    }
}

// The first line where two dumps part, each side's, so that a difference
// (or a dump that failed) can be read from the test's output alone.
std::string FirstDifference(const std::string& clean, const std::string& found) {
    size_t at = 0;
    while (at < clean.size() && at < found.size() && clean[at] == found[at]) ++at;
    const auto lineAround = [at](const std::string& text) {
        const size_t start = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;
        return text.substr(start, std::min<size_t>(200, text.find('\n', start) - start));
    };
    return "clean: \"" + lineAround(clean) + "\", found: \"" + lineAround(found) + "\"";
}

std::string Describe(const RegisteredService& service) {
    if (!service.exists) return "(not registered)";
    return service.binaryPath + " | " + service.displayName + " | start " + std::to_string(service.startType);
}

}  // namespace

SweepOutcome ObserveOutcome(const UpgradeWorld& world) {
    SweepOutcome outcome;
    outcome.home = SnapshotDirectory(world.Home());
    outcome.folders = FoldersUnder(world.Home());
    const ProgramResult dumped = world.DumpHome();
    outcome.dump = dumped.exitCode == 0 ? dumped.output : "zelhome dump failed: " + dumped.output;
    outcome.serviceFiles = SnapshotDirectory(world.Services());
    outcome.oldService = QueryRegisteredService(OLD_SERVICE);
    outcome.newService = QueryRegisteredService(NEW_SERVICE);
    return outcome;
}

void CompareOutcome(const SweepOutcome& clean, const SweepOutcome& found, const std::string& where,
                    std::vector<std::string>* differences) {
    CompareFiles("home ", clean.home, found.home, where, differences);
    for (const std::string& folder : clean.folders) {
        if (found.folders.count(folder) == 0) differences->push_back(where + "home folder " + folder + " is missing");
    }
    for (const std::string& folder : found.folders) {
        if (clean.folders.count(folder) == 0) differences->push_back(where + "home folder " + folder + " is left over");
    }
    if (found.dump != clean.dump) {
        differences->push_back(where + "the dictionary differs from a clean run's (" +
                               FirstDifference(clean.dump, found.dump) + ")");
    }
    CompareFiles("service file ", clean.serviceFiles, found.serviceFiles, where, differences);
    // Wine's service manager leaves the dependencies out of its answer; the
    // service files above hold them off Windows.
    auto same = [](const RegisteredService& a, const RegisteredService& b) {
        return a.exists == b.exists && a.binaryPath == b.binaryPath && a.displayName == b.displayName &&
               a.startType == b.startType;
    };
    if (!same(clean.oldService, found.oldService)) {
        differences->push_back(where + "service " + OLD_SERVICE + " is " + Describe(found.oldService) + ", not " +
                               Describe(clean.oldService));
    }
    if (!same(clean.newService, found.newService)) {
        differences->push_back(where + "service " + NEW_SERVICE + " is " + Describe(found.newService) + ", not " +
                               Describe(clean.newService));
    }
}

bool ServiceState::Prepare(const UpgradeWorld& world, const fs::path& keep) {
    Remove();
    oldProgram_ = QuotedCommandLine(SystemText(world.Home() / "bin" / "z40service.exe"), "-resident");
    if (!RegisterService(OLD_SERVICE, "ZEL4.0", oldProgram_)) return false;
    kept_ = keep;
    Capture(world);
    return true;
}

void ServiceState::Capture(const UpgradeWorld& world) {
    CopyTree(world.Services(), kept_);
    old_ = QueryRegisteredService(OLD_SERVICE);
    new_ = QueryRegisteredService(NEW_SERVICE);
}

// Off Windows the copy is the whole registry of services; under Wine the
// service manager keeps its own, which is set as it was kept.
void ServiceState::Restore(const UpgradeWorld& world) const {
    CopyTree(kept_, world.Services());
    for (const auto& [name, kept] : {std::pair{NEW_SERVICE, &new_}, std::pair{OLD_SERVICE, &old_}}) {
        const bool registered = QueryRegisteredService(name).exists;
        if (registered && !kept->exists) DeleteServiceIfPresent(name);
        if (!registered && kept->exists) RegisterService(name, kept->displayName.c_str(), kept->binaryPath);
    }
}

void ServiceState::Remove() {
    DeleteServiceIfPresent(OLD_SERVICE);
    DeleteServiceIfPresent(NEW_SERVICE);
}

}  // namespace zel::testing
