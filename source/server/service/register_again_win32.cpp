// The command that registers a removed service again on Windows, as an
// administrator types it at a command prompt.
#include <string>

#include "service_migration.h"

namespace {

// Built by appending throughout: GCC 12 at -O3 reports an overlapping copy
// (-Wrestrict) inside std::string for a literal put in front of a string.

// " key= " (when there is a key) and the value in double quotes, a quote
// inside it escaped as sc reads it.
void AddValue(std::string& command, const char* key, const std::string& value) {
    command += ' ';
    if (key[0] != '\0') {
        command += key;
        command += ' ';
    }
    command += '"';
    for (char c : value) {
        if (c == '"') command += '\\';
        command += c;
    }
    command += '"';
}

const char* StartWord(uint32_t startType) {
    switch (startType) {
        case 0: return "boot";
        case 1: return "system";
        case 2: return "auto";
        case 4: return "disabled";
        default: return "demand";
    }
}

}  // namespace

std::string RegisterAgainCommand(const ServiceRegistration& registration) {
    std::string command = "sc create";
    AddValue(command, "", registration.name);
    AddValue(command, "binPath=", registration.binaryPath);
    AddValue(command, "DisplayName=", registration.displayName);
    command += " start= ";
    command += StartWord(registration.startType);
    std::string dependencies;
    for (const std::string& name : registration.dependencies) {
        if (!dependencies.empty()) dependencies += '/';
        dependencies += name;
    }
    if (!dependencies.empty()) AddValue(command, "depend=", dependencies);
    if (!registration.loadOrderGroup.empty()) AddValue(command, "group=", registration.loadOrderGroup);
    if (!registration.account.empty() && registration.account != "LocalSystem") {
        AddValue(command, "obj=", registration.account);
    }
    return command;
}
