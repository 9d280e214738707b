// The services side of `zelhome preview`: the old service the upgrade would
// remove, whether it can be stopped, and the service the upgrade would
// install, found without changing any registered service.
#pragma once

#include <string>
#include <vector>

namespace zelhome {

// The previous release's service as registered, whatever its display name
// or program.
struct OldService {
    bool registered = false;
    std::string name;
    std::string displayName;
    std::string commandLine;
};

struct ServicePlan {
    std::vector<std::string> blockers;  // an old service that would be removed but cannot be stopped
    std::vector<std::string> actions;   // what would happen, when known before the run
    std::string mirrorDir;              // the scratch service directory for the run; empty on Windows
    OldService oldService;
};

struct HomeSnapshot;

// Off Windows: copies the service files into mirrorDir, a service whose
// program lies in HOME/bin pointing at the copy's bin instead, so that the
// run on the copy meets the home's old service. On Windows: reads the old
// service's configuration (QueryServiceConfigA only) and predicts the
// actions; the run on the copy leaves that service alone, since its program
// lies outside the copy.
bool PlanServices(const std::string& home, const std::string& copy, const std::string& mirrorDir, ServicePlan* plan,
                  std::string* message);

// Off Windows, after the run: the services removed and created in the mirror.
std::vector<std::string> MirrorChanges(const std::string& mirrorDir, const std::vector<std::string>& namesBefore);

// The service names in a mirror directory, sorted.
std::vector<std::string> MirrorServiceNames(const std::string& mirrorDir);

// The upgrade's rule: the program of a service lies in HOME/bin (compared
// without regard to case, the command line cut to its program).
bool ProgramInBin(const std::string& commandLine, const std::string& home);

// A warning when the run would leave the old service registered (another
// display name) while it deletes the program the service starts, from the
// snapshots of the copy before and after the run.
std::vector<std::string> LeftServiceWarnings(const ServicePlan& plan, const std::string& home,
                                             const HomeSnapshot& before, const HomeSnapshot& after);

// The program of a registered command line: the quoted part, or what the
// service manager would start of an unquoted one.
std::string ServiceProgram(const std::string& commandLine);

// Names of the previous release's service.
inline constexpr const char* OLD_SERVICE_NAME = "ZEL40SERVICE";
inline constexpr const char* OLD_SERVICE_DISPLAY = "ZEL4.0";

}  // namespace zelhome
