#include <cstdio>
#include <cstring>

#include "service_control.h"
#include "service_plan.h"
#include "zelkit.h"

namespace {

// The only service the server depends on, as a list ended by an empty name.
constexpr char kDependencies[] = "tcpip\0";

// Windows takes service names of up to 256 characters.
constexpr int kServiceNameRoom = 257;

// The service operations answer an injected fault as Windows would answer
// a caller without the rights.
bool InjectedFault(const char* operation) {
    if (!Z_FaultPoint(operation)) return false;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

bool IsSeparator(char c) { return c == Z_PATH_SEPARATOR || c == '/'; }

// Where the file name of a program path begins (after drive and directory).
size_t FileNameStart(const char* path) {
    size_t start = 0;
#ifdef _WIN32
    if (path[0] && path[1] == ':') start = 2;
#endif
    for (size_t i = start; path[i]; ++i) {
        if (IsSeparator(path[i])) start = i + 1;
    }
    return start;
}

// The registered command line: the program in double quotes, " -resident",
// and " -p:<parameters>" when there are any. A program without a file name
// is called "Command", keeping its directory and extension.
bool BuildCommandLine(const char* program, const char* parameters, char* commandLine, int size) {
    const size_t nameStart = FileNameStart(program);
    const char* name = program + nameStart;
    const char* extension = std::strrchr(name, '.');
    const size_t nameLength = extension ? static_cast<size_t>(extension - name) : std::strlen(name);
    if (!extension) extension = "";
    int written;
    if (nameLength == 0) {
        written = std::snprintf(commandLine, static_cast<size_t>(size), "\"%.*sCommand%s\" -resident",
                                static_cast<int>(nameStart), program, extension);
    } else {
        written = std::snprintf(commandLine, static_cast<size_t>(size), "\"%s\" -resident", program);
    }
    if (written < 0 || written >= size) return false;
    if (parameters && *parameters) {
        const size_t used = static_cast<size_t>(written);
        written = std::snprintf(commandLine + used, static_cast<size_t>(size) - used, " -p:%s", parameters);
        if (written < 0 || used + static_cast<size_t>(written) >= static_cast<size_t>(size)) return false;
    }
    return true;
}

bool IsStopped(const SERVICE_STATUS& status) { return status.dwCurrentState == SERVICE_STOPPED; }

}  // namespace

void CloseServiceHandleSafe(SC_HANDLE handle) {
    if (!handle) return;
    const DWORD saved = GetLastError();
    CloseServiceHandle(handle);
    SetLastError(saved);
}

bool OpenServiceControl(SC_HANDLE* manager, const char* serviceName, SC_HANDLE* service) {
    if (InjectedFault("OpenServiceControl")) return false;
    *manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!*manager) return false;
    if (!service) return true;
    if (!serviceName || !*serviceName) serviceName = ReadServiceName();
    *service = OpenServiceA(*manager, serviceName, SERVICE_ALL_ACCESS);
    if (!*service) {
        // The error of the failed open (1060 for a missing service) stays.
        CloseServiceHandleSafe(*manager);
        *manager = nullptr;
        return false;
    }
    return true;
}

bool InstallService(const char* serviceName, const char* parameters, const char* programPath, DWORD startType) {
    if (InjectedFault("InstallService")) return false;
    char name[kServiceNameRoom];
    if (!serviceName || !*serviceName) serviceName = ReadServiceName();
    if (std::snprintf(name, sizeof(name), "%s", serviceName) >= static_cast<int>(sizeof(name))) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }

    char program[Z_MAX_PATH];
    if (programPath && *programPath) {
        if (std::snprintf(program, sizeof(program), "%s", programPath) >= static_cast<int>(sizeof(program))) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        const size_t length = std::strlen(program);
        if (length >= 2 && program[0] == '"' && program[length - 1] == '"') {
            std::memmove(program, program + 1, length - 2);
            program[length - 2] = '\0';
        }
    } else {
        const DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
        if (length == 0 || length >= sizeof(program)) return false;
    }

    char commandLine[Z_MAX_LINE];
    if (!BuildCommandLine(program, parameters, commandLine, sizeof(commandLine))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }

    if (ServicesPlanned()) {
        PlanServiceInstalled(name, commandLine, startType);
        return WriteServiceName(name);
    }
    SC_HANDLE manager = nullptr;
    if (!OpenServiceControl(&manager, nullptr, nullptr)) return false;
    SC_HANDLE service =
        CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                       SERVICE_ERROR_NORMAL, commandLine, nullptr, nullptr, kDependencies, nullptr, nullptr);
    if (!service) {
        CloseServiceHandleSafe(manager);
        return false;
    }
    // Registered, but without its record a later removal would look for
    // another name: the installation fails, and the next run finds the
    // service in place and records it then.
    const bool recorded = WriteServiceName(name);
    CloseServiceHandleSafe(service);
    CloseServiceHandleSafe(manager);
    return recorded;
}

bool StopService(SC_HANDLE service) {
    if (InjectedFault("StopService")) return false;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return false;
    bool controlSent = false;
    for (;;) {
        if (IsStopped(status)) return true;
        if (!controlSent) {
            controlSent = true;
            if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
                // A service that stopped meanwhile refuses the control.
                if (GetLastError() == ERROR_SERVICE_NOT_ACTIVE) return true;
                return IsStopped(status);
            }
        }
        Sleep(1000);
        if (!QueryServiceStatus(service, &status)) return IsStopped(status);
    }
}

bool RemoveService(const char* serviceName) {
    if (InjectedFault("RemoveService")) return false;
    char name[kServiceNameRoom];
    if (!serviceName || !*serviceName) serviceName = ReadServiceName();
    if (std::snprintf(name, sizeof(name), "%s", serviceName) >= static_cast<int>(sizeof(name))) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (ServicesPlanned() && PlannedRemoved(name)) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return false;
    }
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    if (!OpenServiceControl(&manager, name, &service)) return false;
    if (ServicesPlanned()) {
        // Found, and left as it is: the plan says it goes.
        CloseServiceHandleSafe(service);
        CloseServiceHandleSafe(manager);
        if (!WriteServiceName(nullptr)) return false;
        PlanServiceRemoved(name);
        return true;
    }
    if (!StopService(service)) {
        CloseServiceHandleSafe(service);
        CloseServiceHandleSafe(manager);
        return false;
    }
    // The name record goes first: a service that then refuses deletion is
    // no longer the one this installation names. A record that stays would
    // name the next service installed: the removal stops there.
    if (!WriteServiceName(nullptr)) {
        CloseServiceHandleSafe(service);
        CloseServiceHandleSafe(manager);
        return false;
    }
    const int result = DeleteService(service);
    CloseServiceHandleSafe(service);
    CloseServiceHandleSafe(manager);
    return result;
}

DWORD QueryServiceConfiguration(const char* serviceName, LPQUERY_SERVICE_CONFIGA config, DWORD* size) {
    if (InjectedFault("QueryServiceConfiguration")) return 0;
    if (!serviceName || !*serviceName) serviceName = ReadServiceName();
    if (ServicesPlanned()) {
        bool installed = false;
        if (PlannedConfiguration(serviceName, config, size, &installed)) return SERVICE_STOPPED;
        if (installed) return 0;
        if (PlannedRemoved(serviceName)) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return 0;
        }
    }
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    if (!OpenServiceControl(&manager, serviceName, &service)) return 0;
    DWORD result = 0;
    bool configRead = true;
    if (config) {
        if (!size) {
            SetLastError(ERROR_INVALID_PARAMETER);
            configRead = false;
        } else {
            configRead = QueryServiceConfigA(service, config, *size, size) != 0;
        }
    }
    if (configRead) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) result = status.dwCurrentState;
    }
    CloseServiceHandleSafe(service);
    CloseServiceHandleSafe(manager);
    return result;
}
