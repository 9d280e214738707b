// Registering and reading services as an administrator would, through the
// service manager calls: our own off Windows (in ZEL_SERVICE_DIR), the real
// one on Windows. Wine's is shared by every test program of a prefix, so
// tests delete what they register.
#pragma once

#include <string>
#include <vector>

#include "windows_api.h"

namespace zel::testing {

inline constexpr const char* OLD_SERVICE = "ZEL40SERVICE";
inline constexpr const char* NEW_SERVICE = "ZEL Server";

struct RegisteredService {
    bool exists = false;
    std::string binaryPath;
    std::string displayName;
    DWORD startType = 0;
    std::vector<std::string> dependencies;

    bool operator==(const RegisteredService&) const = default;
};

// A service's command line as the service manager keeps it: the program in
// quotes, then its arguments when there are any.
inline std::string QuotedCommandLine(const std::string& program, const std::string& arguments = "") {
    // Built by appending: GCC 12 at -O3 reports an overlapping copy
    // (-Wrestrict) inside std::string for a literal put in front of a
    // string, as in "\"" + program.
    std::string line = "\"";
    line += program;
    line += '"';
    if (!arguments.empty()) {
        line += ' ';
        line += arguments;
    }
    return line;
}

// A stopped, demand-started service depending on tcpip.
bool RegisterService(const char* name, const char* displayName, const std::string& commandLine);
void DeleteServiceIfPresent(const char* name);
// The service's configuration; exists is false when it cannot be read.
RegisteredService QueryRegisteredService(const char* name);

}  // namespace zel::testing
