// The previous release's service goes when it belongs to this home
// directory; the new release's service comes after the files are in place.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "server/host/zelkit.h"
#include "server/service/service_control.h"
#include "server/service/service_migration.h"

namespace {

constexpr const char* kOldServiceName = "ZEL40SERVICE";
constexpr const char* kOldDisplayName = "ZEL4.0";
constexpr const char* kServiceProgram = "zemservice.exe";
constexpr int kConfigurationRoom = 4096;

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
        std::snprintf(program, sizeof(program), "%s", config->lpBinaryPathName ? config->lpBinaryPathName : "");
        const char* separators = program[0] == '"' ? "\"" : " \t";
        if (Z_SegmentMultiStr(program, separators, 0) < 1) return 0;
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
