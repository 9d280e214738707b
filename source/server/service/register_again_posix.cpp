// Off Windows the service manager is our own stand-in
// (docs/service-manager.md), which keeps each service as a file: the
// command that registers a removed service again writes that file.
#include <string>

#include "service_migration.h"

namespace {

// Built by appending throughout: GCC 12 at -O3 reports an overlapping copy
// (-Wrestrict) inside std::string for a literal put in front of a string.

// A text in single quotes for the shell, a quote inside it closed, escaped
// and opened again; and a blank before it.
void AddQuoted(std::string& command, const std::string& key, const std::string& value) {
    command += " '";
    command += key;
    for (char c : value) {
        if (c == '\'') {
            command += "'\\''";
        } else {
            command += c;
        }
    }
    command += '\'';
}

// The file name the stand-in gives a service: letters, digits, '-' and '_'
// kept, other characters '_', lower case.
void AddFileName(std::string& command, const std::string& name) {
    for (char c : name) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (c >= 'A' && c <= 'Z') {
            command += static_cast<char>(c - 'A' + 'a');
        } else {
            command += kept ? c : '_';
        }
    }
    command += ".service";
}

}  // namespace

std::string RegisterAgainCommand(const ServiceRegistration& registration) {
    std::string dependencies;
    for (const std::string& name : registration.dependencies) {
        if (!dependencies.empty()) dependencies += '/';
        dependencies += name;
    }
    std::string command = "printf '%s\\n'";
    AddQuoted(command, "Name=", registration.name);
    AddQuoted(command, "DisplayName=", registration.displayName);
    AddQuoted(command, "BinaryPath=", registration.binaryPath);
    AddQuoted(command, "StartType=", std::to_string(registration.startType));
    AddQuoted(command, "Dependencies=", dependencies);
    if (!registration.account.empty()) AddQuoted(command, "StartName=", registration.account);
    command += " > \"${ZEL_SERVICE_DIR:-${TMPDIR:-/tmp}/zel-services}/";
    AddFileName(command, registration.name);
    command += '"';
    return command;
}
