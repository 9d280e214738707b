#include "removed_service.h"

#include <string>

#include "zelkit.h"

namespace {

constexpr const char* kRecordName = "OLDSERVICE.INF";

std::string RecordPath(const char* systemDir) { return std::string(systemDir) + kRecordName; }

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The dependency list (names ended by NUL, ended by an empty one) as
// names separated by "/", which no service name holds.
std::string Dependencies(const char* list) {
    std::string joined;
    for (const char* name = list; name != nullptr && *name != '\0'; name += std::string(name).size() + 1) {
        if (!joined.empty()) joined += "/";
        joined += name;
    }
    return joined;
}

}  // namespace

bool RecordRemovedService(const char* systemDir, const char* serviceName, const QUERY_SERVICE_CONFIGA& config) {
    const std::string path = RecordPath(systemDir);
    const std::string lines[] = {
        "[RemovedService]",
        "Name=" + Text(serviceName),
        "DisplayName=" + Text(config.lpDisplayName),
        "BinaryPath=" + Text(config.lpBinaryPathName),
        "StartType=" + std::to_string(config.dwStartType),
        "Dependencies=" + Dependencies(config.lpDependencies),
        "Account=" + Text(config.lpServiceStartName),
    };
    std::string text;
    for (const std::string& line : lines) text += line + Z_LINE_END;
    return Z_WriteWholeFile(path.c_str(), text.data(), static_cast<int64_t>(text.size()), Z_OWN_FILE) != 0;
}

// The record is the upgrade's own file: only a file of that name counts,
// never what a link there names, and only one nobody else could have
// written (a service owed would run a program of the home with the
// service's rights). One that cannot be looked at, or is another account's,
// fails with the reason rather than passing for no service owed.
int RemovedServicePending(const char* systemDir) {
    const std::string path = RecordPath(systemDir);
    const int there = Z_NameExists(path.c_str());
    if (there <= 0) return there;
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_OWN_FILE, &info)) return -1;
    return info.kind == Z_FILE_REGULAR ? 1 : 0;
}

bool ForgetRemovedService(const char* systemDir) {
    const std::string path = RecordPath(systemDir);
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info)) return false;
    return info.kind == Z_FILE_MISSING || Z_DeleteFile(path.c_str()) != 0;
}
