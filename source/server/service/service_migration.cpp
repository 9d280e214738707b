// The previous release's service goes when it belongs to this home
// directory; the new release's service comes after the files are in place.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "console.h"
#include "removed_service.h"
#include "service_control.h"
#include "service_migration.h"
#include "zelkit.h"

namespace {

constexpr const char* kOldServiceName = "ZEL40SERVICE";
constexpr const char* kOldDisplayName = "ZEL4.0";
constexpr const char* kServiceProgram = "zemservice.exe";
constexpr int kConfigurationRoom = 4096;

// The Windows error of a failed service call as the toolkit's last error,
// for the driver to print as "ERROR: <message> (<code>)"; a failure of the
// record of the service's name keeps the toolkit's own text, which names
// the file.
bool FailWithSystemError() {
    if (ServiceRecordFailed()) return false;
    const DWORD code = GetLastError();
    char text[kConfigurationRoom];
    FormatSystemError(text, sizeof text);
    Z_SetLastErrorText(code, "%s", text);
    return false;
}

// True when the service that InstallNewService would register is there
// already, exactly so: a run stopped after installing it left it.
bool NewServiceInPlace(const char* program) {
    uint64_t storage[kConfigurationRoom / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = kConfigurationRoom;
    if (!QueryServiceConfiguration(DEFAULT_SERVICE_NAME, config, &size)) return false;
    const std::string expected = std::string("\"") + program + "\" -resident";
    return config->lpBinaryPathName != nullptr && expected == config->lpBinaryPathName &&
           config->lpDisplayName != nullptr && ZSTRCMP(config->lpDisplayName, DEFAULT_SERVICE_NAME) == 0 &&
           config->dwStartType == SERVICE_AUTO_START;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the file named by text, or, when its name has no extension, by
// text with ".exe", exists: 1, program receiving the one that does; 0; -1
// when the system cannot tell.
int NamesProgram(const std::string& text, char (&program)[kConfigurationRoom]) {
    std::string candidate = text;
    int there = Z_FileExists(candidate.c_str());
    if (there == 0) {
        const std::string name = candidate.substr(static_cast<size_t>(Z_GetFileNamePathLength(candidate.c_str())));
        if (name.find('.') != std::string::npos) return 0;
        candidate += ".exe";
        there = Z_FileExists(candidate.c_str());
    }
    if (there > 0) std::snprintf(program, sizeof(program), "%s", candidate.c_str());
    return there;
}

// The program that a registered command line starts. A quoted program ends
// at the closing quote. An unquoted one is read as the service manager
// reads it: C:\Program Files\ZEL Home\bin\z40service.exe -resident starts
// the first of C:\Program, C:\Program Files\ZEL, ... that names a file
// (".exe" added to a name without an extension); when none does, the text
// up to the first blank stands for the program. 1 with the program, 0 when
// the line names none, -1 when the system cannot tell whether a candidate is
// a file: the answer decides whether the service is this home's.
int ServiceProgramPath(const char* commandLine, char (&program)[kConfigurationRoom]) {
    std::snprintf(program, sizeof(program), "%s", commandLine);
    if (program[0] == '"') return Z_SegmentMultiStr(program, "\"", 0) >= 1 ? 1 : 0;
    const std::string text(program);
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return 0;
    for (size_t end = start; end <= text.size(); ++end) {
        if (end < text.size() && !IsBlank(text[end])) continue;
        if (end == start || IsBlank(text[end - 1])) continue;
        const int named = NamesProgram(text.substr(start, end - start), program);
        if (named != 0) return named;
    }
    std::snprintf(program, sizeof(program), "%s", text.c_str());
    return Z_SegmentMultiStr(program, " \t", 0) >= 1 ? 1 : 0;
}

}  // namespace

bool RemoveOldService(const char* binDir, const char* systemDir, bool* removed) {
    *removed = false;
    SetServiceRecordDirectory(systemDir);
    // 64-bit units keep the configuration record aligned in the buffer.
    uint64_t storage[kConfigurationRoom / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = kConfigurationRoom;

    if (QueryServiceConfiguration(kOldServiceName, config, &size)) {
        if (!config->lpDisplayName || ZSTRCMP(config->lpDisplayName, kOldDisplayName) != 0) return true;

        // The registered command line may quote the program and carry
        // arguments; only the program file is compared.
        char program[kConfigurationRoom];
        const int named = ServiceProgramPath(config->lpBinaryPathName ? config->lpBinaryPathName : "", program);
        if (named <= 0) return named == 0;
        // Whether the program lies in HOME/bin decides whether the service
        // is this home's: a comparison that failed is no answer.
        ZContrastResult contrast{};
        if (!Z_ContrastFile(program, binDir, &contrast)) return false;
        if (!contrast.inDirectory) return true;

        // Recorded first: from the removal on, only the record says that a
        // new service is owed.
        if (!RecordRemovedService(systemDir, kOldServiceName, *config)) return false;
        ConsolePrint("\nNow, Removing the old service...\n");
        if (RemoveService(kOldServiceName)) {
            *removed = true;
            return true;
        }
        // Still registered: nothing is owed for it. Should the record of it
        // stay all the same, the next run finds the service still there,
        // records it again and removes it; nothing is lost either way.
        const DWORD error = GetLastError();
        ForgetRemovedService(systemDir);
        SetLastError(error);
    } else {
        // A configuration too large for the buffer is not the old release's.
        const DWORD error = GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_SERVICE_DOES_NOT_EXIST) return true;
    }
    return FailWithSystemError();
}

bool InstallNewService(const char* binDir, const char* systemDir, std::string* name) {
    SetServiceRecordDirectory(systemDir);
    ConsolePrint("\nNow, Installing the new service...\n");
    char program[Z_MAX_PATH];
    const bool pathFits = std::snprintf(program, sizeof(program), "%s", binDir) < static_cast<int>(sizeof(program)) &&
                          Z_AppendSubdirSymbol(program, 1) && Z_AppendPath(program, kServiceProgram);
    if (!pathFits) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    if (pathFits && NewServiceInPlace(program)) {
        if (name != nullptr) *name = DEFAULT_SERVICE_NAME;
        return ForgetRemovedService(systemDir);
    }
    if (pathFits && InstallService(nullptr, nullptr, program, SERVICE_AUTO_START)) {
        // Installed under the name the service record gave.
        if (name != nullptr) *name = ReadServiceName();
        return ForgetRemovedService(systemDir);
    }
    return FailWithSystemError();
}

bool ServiceIsRunning(const char* name) {
    return name != nullptr && name[0] != '\0' && QueryServiceConfiguration(name, nullptr, nullptr) == SERVICE_RUNNING;
}
