// SERVICE.INF: the name under which the server's service was installed,
// kept in the system directory beside the program's directory, so that a
// later removal finds the service again.
#include <cstdio>
#include <cstring>

#include "service_control.h"
#include "zelkit.h"

namespace {

char g_serviceName[SERVICE_NAME_SIZE] = "";

bool IsSeparator(char c) { return c == Z_PATH_SEPARATOR || c == '/'; }

}  // namespace

bool GetServiceInfPath(char* buffer, int size) {
    char program[Z_MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    if (length == 0 || length >= sizeof(program)) return false;
    size_t directory = length;
    while (directory > 0 && !IsSeparator(program[directory - 1])) --directory;
    program[directory] = '\0';
    const int written = std::snprintf(buffer, static_cast<size_t>(size), "%s..%csystem%cSERVICE.INF", program,
                                      Z_PATH_SEPARATOR, Z_PATH_SEPARATOR);
    return written > 0 && written < size;
}

const char* ReadServiceName() {
    if (g_serviceName[0] == '\0') {
        char path[Z_MAX_PATH];
        if (GetServiceInfPath(path, sizeof(path))) {
            if (FILE* file = std::fopen(path, "rb")) {
                const size_t count = std::fread(g_serviceName, 1, SERVICE_NAME_SIZE - 1, file);
                g_serviceName[count] = '\0';
                std::fclose(file);
            }
        }
    }
    SetLastError(0);
    if (g_serviceName[0] == '\0') std::snprintf(g_serviceName, sizeof(g_serviceName), "%s", DEFAULT_SERVICE_NAME);
    return g_serviceName;
}

void WriteServiceName(const char* name) {
    char path[Z_MAX_PATH];
    if (!GetServiceInfPath(path, sizeof(path))) return;
    if (name && std::strcmp(name, g_serviceName) != 0) {
        FILE* file = std::fopen(path, "w+b");
        if (!file) return;
        std::snprintf(g_serviceName, sizeof(g_serviceName), "%s", name);
        std::fwrite(name, 1, std::strlen(name), file);
        std::fclose(file);
    } else {
        std::remove(path);
    }
}

void ForgetServiceName() { g_serviceName[0] = '\0'; }
