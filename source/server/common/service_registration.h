// A service's registration as the service manager gave it, kept by the run
// that removes the previous release's service: a run that stops after the
// removal registers the service again exactly so, and leaves the services
// as it found them. Taken from the service manager, never from a file of
// the home, which the server's own account may have written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ServiceRegistration {
    std::string name;
    std::string displayName;
    std::string binaryPath;  // the command line as registered, quotes and arguments included
    std::string loadOrderGroup;
    std::vector<std::string> dependencies;
    std::string account;  // empty: the system's own
    uint32_t serviceType = 0;
    uint32_t startType = 0;
    uint32_t errorControl = 0;
    // HOME/system/SERVICE.INF as the removal found it (the removal takes it
    // away with the service it names).
    bool nameRecordFound = false;
    std::string nameRecord;
};
