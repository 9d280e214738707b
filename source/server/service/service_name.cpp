// SERVICE.INF: the name under which the server's service was installed,
// kept in the home's system directory, so that a later removal finds the
// service again. The home's, never one beside the running program: the
// upgrade runs from the package, and a record found there belongs to
// another installation.
#include <cstdio>
#include <cstring>

#include "service_control.h"
#include "zelkit.h"

namespace {

char g_serviceName[SERVICE_NAME_SIZE] = "";
char g_recordDirectory[Z_MAX_PATH] = "";
bool g_recordFailed = false;

// A record that could not be written or removed: the toolkit's last error
// says which file and why; the Windows last error only that a write failed.
bool RecordFailed() {
    g_recordFailed = true;
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

}  // namespace

void SetServiceRecordDirectory(const char* systemDir) {
    if (systemDir == nullptr || std::snprintf(g_recordDirectory, sizeof g_recordDirectory, "%s", systemDir) >=
                                    static_cast<int>(sizeof g_recordDirectory)) {
        g_recordDirectory[0] = '\0';
    }
}

bool GetServiceInfPath(char* buffer, int size) {
    if (g_recordDirectory[0] == '\0' || buffer == nullptr || size <= 0) return false;
    const int written = std::snprintf(buffer, static_cast<size_t>(size), "%s", g_recordDirectory);
    if (written < 0 || written >= size) return false;
    return Z_AppendSubdirSymbol(buffer, 0) && static_cast<int>(std::strlen(buffer)) + 11 < size &&
           Z_AppendPath(buffer, "SERVICE.INF");
}

const char* ReadServiceName() {
    if (g_serviceName[0] == '\0') {
        char path[Z_MAX_PATH];
        if (GetServiceInfPath(path, sizeof(path))) {
            // Only the record's own file, never one another account could
            // have written: it names the service the run stops and removes.
            // A record that cannot be read may name another service than the
            // default one: no name is taken then, and the call that wanted
            // it fails with the record's reason.
            const int there = Z_FileExists(path);
            HZFILE file = there > 0 ? Z_OpenFile(path, Z_MODE_READ, 0, nullptr, Z_OWN_FILE) : nullptr;
            if (there < 0 || (there > 0 && file == nullptr)) {
                RecordFailed();
                return "";
            }
            if (file != nullptr) {
                const int64_t count = Z_ReadFile(file, g_serviceName, SERVICE_NAME_SIZE - 1, 0);
                g_serviceName[count > 0 ? count : 0] = '\0';
                const bool read = Z_FileError(file) == 0;
                Z_CloseFile(file);
                if (!read) {
                    g_serviceName[0] = '\0';
                    RecordFailed();
                    return "";
                }
            }
        }
    }
    SetLastError(0);
    if (g_serviceName[0] == '\0') std::snprintf(g_serviceName, sizeof(g_serviceName), "%s", DEFAULT_SERVICE_NAME);
    return g_serviceName;
}

bool WriteServiceName(const char* name) {
    char path[Z_MAX_PATH];
    if (!GetServiceInfPath(path, sizeof(path))) return true;
    if (name && std::strcmp(name, g_serviceName) != 0) {
        // Whole or not at all: a record cut short would name another service.
        if (!Z_WriteWholeFile(path, name, static_cast<int64_t>(std::strlen(name)), Z_OWN_FILE)) return RecordFailed();
        std::snprintf(g_serviceName, sizeof(g_serviceName), "%s", name);
    } else {
        // A record left behind would name the next service installed.
        const int there = Z_FileExists(path);
        if (there < 0 || (there > 0 && !Z_DeleteFile(path))) return RecordFailed();
    }
    return true;
}

bool ServiceRecordFailed() {
    const bool failed = g_recordFailed;
    g_recordFailed = false;
    return failed;
}

void ForgetServiceName() { g_serviceName[0] = '\0'; }
