// The previous release's service goes when it belongs to this home
// directory; the new release's service comes after the files are in place.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "server/host/zelkit.h"
#include "server/service/service_control.h"
#include "server/service/service_migration.h"

namespace {

constexpr const char* kOldServiceName = "ZEL40SERVICE";
constexpr const char* kOldDisplayName = "ZEL4.0";
constexpr const char* kServiceProgram = "zemservice.exe";
constexpr int kConfigurationRoom = 4096;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the file named by text, or, when its name has no extension, by
// text with ".exe", exists; program receives the one that does.
bool NamesProgram(const std::string& text, char (&program)[kConfigurationRoom]) {
    std::string candidate = text;
    if (!Z_IsValidFileName(candidate.c_str())) {
        const std::string name = candidate.substr(static_cast<size_t>(Z_GetFileNamePathLength(candidate.c_str())));
        if (name.find('.') != std::string::npos) return false;
        candidate += ".exe";
        if (!Z_IsValidFileName(candidate.c_str())) return false;
    }
    std::snprintf(program, sizeof(program), "%s", candidate.c_str());
    return true;
}

// The program that a registered command line starts. A quoted program ends
// at the closing quote. An unquoted one is read as the service manager
// reads it: C:\Program Files\ZEL Home\bin\z40service.exe -resident starts
// the first of C:\Program, C:\Program Files\ZEL, ... that names a file
// (".exe" added to a name without an extension); when none does, the text
// up to the first blank stands for the program.
bool ServiceProgramPath(const char* commandLine, char (&program)[kConfigurationRoom]) {
    std::snprintf(program, sizeof(program), "%s", commandLine);
    if (program[0] == '"') return Z_SegmentMultiStr(program, "\"", 0) >= 1;
    const std::string text(program);
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    for (size_t end = start; end <= text.size(); ++end) {
        if (end < text.size() && !IsBlank(text[end])) continue;
        if (end > start && !IsBlank(text[end - 1]) && NamesProgram(text.substr(start, end - start), program)) {
            return true;
        }
    }
    std::snprintf(program, sizeof(program), "%s", text.c_str());
    return Z_SegmentMultiStr(program, " \t", 0) >= 1;
}

}  // namespace

int RemoveOldService(const char* binDir) {
    // 64-bit units keep the configuration record aligned in the buffer.
    uint64_t storage[kConfigurationRoom / sizeof(uint64_t)];
    char* buffer = reinterpret_cast<char*>(storage);
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = kConfigurationRoom;

    if (QueryServiceConfiguration(kOldServiceName, config, &size)) {
        if (!config->lpDisplayName || ZSTRCMP(config->lpDisplayName, kOldDisplayName) != 0) return 0;

        // The registered command line may quote the program and carry
        // arguments; only the program file is compared.
        char program[kConfigurationRoom];
        if (!ServiceProgramPath(config->lpBinaryPathName ? config->lpBinaryPathName : "", program)) return 0;
        ZContrastResult contrast{};
        Z_ContrastFile(program, binDir, &contrast);
        if (!contrast.inDirectory) return 0;

        std::printf("\nNow, Removing the old service...\n");
        std::fflush(stdout);
        if (RemoveService(kOldServiceName)) return 1;
    } else {
        // A configuration too large for the buffer is not the old release's.
        const DWORD error = GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_SERVICE_DOES_NOT_EXIST) return 0;
    }
    std::printf("\nERROR: %s\n\n", FormatSystemError(buffer, kConfigurationRoom));
    std::fflush(stdout);
    return -1;
}

int InstallNewService(const char* binDir) {
    std::printf("\nNow, Installing the new service...\n");
    std::fflush(stdout);
    char program[Z_MAX_PATH];
    const bool pathFits = std::snprintf(program, sizeof(program), "%s", binDir) < static_cast<int>(sizeof(program)) &&
                          Z_AppendSubdirSymbol(program, 1) && Z_AppendPath(program, kServiceProgram);
    if (!pathFits) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    if (pathFits && InstallService(nullptr, nullptr, program, SERVICE_AUTO_START)) return 1;
    char message[Z_MAX_LINE];
    std::printf("\nERROR: %s\n\n", FormatSystemError(message, sizeof(message)));
    std::fflush(stdout);
    return 0;
}
