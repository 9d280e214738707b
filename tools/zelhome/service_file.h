// A service file of the off-Windows service manager (docs/service-manager.md).
#pragma once

#include <string>
#include <vector>

namespace zelhome {

struct ServiceFile {
    std::string name;
    std::string displayName;
    std::string binaryPath;
    int state = 1;         // 1 stopped, 4 running, ...
    int controlError = 0;  // every control fails with this error when not 0
    std::vector<std::string> lines;  // the Key=Value lines as read
};

ServiceFile ReadServiceFile(const std::string& path);

// The program of a registered command line: the quoted part, or the first word.
std::string ServiceProgram(const std::string& commandLine);

}  // namespace zelhome
