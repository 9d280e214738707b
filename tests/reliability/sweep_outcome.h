// What a whole upgrade leaves, as the sweeps compare it with a clean run's:
// every file and folder of the home, the dictionary as zelhome dumps it
// (database ids included), and the registered services.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "support/registered_services.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {

struct SweepOutcome {
    DirectorySnapshot home;
    std::set<std::string> folders;  // relative paths of the home's folders, empty ones included
    std::string dump;
    DirectorySnapshot serviceFiles;  // the service manager's files off Windows
    RegisteredService oldService;
    RegisteredService newService;
};

SweepOutcome ObserveOutcome(const UpgradeWorld& world);

// Appends a line per difference, each starting with where.
void CompareOutcome(const SweepOutcome& clean, const SweepOutcome& found, const std::string& where,
                    std::vector<std::string>* differences);

// The home's services as they were before the run: the service manager's
// files copied back (off Windows), and the old service registered again and
// the new one removed (the only way on Windows, a no-op elsewhere after the
// copy).
class ServiceState {
public:
    // Registers the previous release's service of the world's home and keeps
    // the state. False when it cannot be registered.
    bool Prepare(const UpgradeWorld& world, const std::filesystem::path& keep);
    // Keeps the services as they are now instead (after a first run changed
    // them).
    void Capture(const UpgradeWorld& world);
    void Restore(const UpgradeWorld& world) const;
    // Leaves no service of the sweep registered.
    static void Remove();

private:
    std::filesystem::path kept_;
    std::string oldProgram_;
    RegisteredService old_;
    RegisteredService new_;
};

}  // namespace zel::testing
