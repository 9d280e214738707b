// The service control manager calls, answered from the service files. Each
// call that can fail asks the fault points first and then fails as Windows
// would, with a Windows error code as the last error: a service file that
// cannot be read or written fails the call with the reason's code, and is
// never taken for a service that is not there.
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "service_store.h"
#include "toolkit_error.h"
#include "windows_api.h"
#include "zelkit.h"

struct SC_HANDLE__ {
    bool isManager = false;
    std::string serviceName;  // the name as stored, for service handles
    bool deleted = false;     // DeleteService went through this handle
};

namespace {

std::mutex g_handleLock;
std::set<SC_HANDLE> g_liveHandles;

SC_HANDLE NewHandle(bool isManager, const std::string& serviceName) {
    SC_HANDLE handle = new SC_HANDLE__;
    handle->isManager = isManager;
    handle->serviceName = serviceName;
    std::lock_guard<std::mutex> lock(g_handleLock);
    g_liveHandles.insert(handle);
    return handle;
}

bool IsLive(SC_HANDLE handle, bool wantManager) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    return handle && g_liveHandles.count(handle) && handle->isManager == wantManager;
}

bool Fail(DWORD code) {
    SetLastError(code);
    return false;
}

// The store could not be read (or written): the reason's Windows code.
bool FailFromStore(DWORD fallback) { return Fail(WindowsErrorOfToolkit(fallback)); }

// The record behind a service handle; sets the last error when it is gone
// or cannot be read.
bool LoadService(SC_HANDLE service, std::string* file, ServiceRecord* record) {
    if (!IsLive(service, false)) return Fail(ERROR_INVALID_HANDLE);
    switch (FindServiceRecord(service->serviceName, false, file, record)) {
        case StoreAnswer::Found: return true;
        case StoreAnswer::Missing: break;
        case StoreAnswer::Failed: return FailFromStore(ERROR_READ_FAULT);
    }
    return Fail(service->deleted ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_DOES_NOT_EXIST);
}

// Whether a service holds the name (or display name): true with the last
// error set when one does or the store cannot tell.
bool NameTaken(const std::string& name, bool byDisplayName, DWORD takenError) {
    switch (FindServiceRecord(name, byDisplayName, nullptr, nullptr)) {
        case StoreAnswer::Missing: return false;
        case StoreAnswer::Found: SetLastError(takenError); return true;
        case StoreAnswer::Failed: FailFromStore(ERROR_READ_FAULT); return true;
    }
    return true;
}

void FillStatus(const ServiceRecord& record, LPSERVICE_STATUS status) {
    std::memset(status, 0, sizeof(*status));
    status->dwServiceType = record.serviceType;
    status->dwCurrentState = record.state;
    status->dwControlsAccepted = record.state == SERVICE_RUNNING ? 1u : 0u;
}

bool HasLineEnd(const char* text) { return text && (std::strchr(text, '\n') || std::strchr(text, '\r')); }

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD /*desiredAccess*/) {
    if (Z_FaultPoint("OpenSCManagerA")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (machineName && *machineName) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    if (databaseName && *databaseName && std::strcmp(databaseName, "ServicesActive") != 0) {
        SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
        return nullptr;
    }
    // Made on the first open. A folder that cannot be looked at or made
    // fails with the reason; a name that holds no folder is no database.
    const std::string directory = ServiceDirectory();
    int there = Z_DirExists(directory.c_str());
    if (there == 0) {
        const int taken = Z_NameExists(directory.c_str());
        if (taken < 0) {
            there = -1;
        } else if (taken == 0) {
            // Made meanwhile by another process: as good as made here.
            there = Z_CreateDir(directory.c_str(), 0) ||
                            (Z_GetLastError() == Z_ERROR_EXISTS && Z_DirExists(directory.c_str()) > 0)
                        ? 1
                        : -1;
        }
    }
    if (there < 0) {
        FailFromStore(ERROR_DATABASE_DOES_NOT_EXIST);
        return nullptr;
    }
    if (there == 0) {
        SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
        return nullptr;
    }
    return NewHandle(true, std::string());
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD /*desiredAccess*/) {
    if (Z_FaultPoint("OpenServiceA")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!IsLive(manager, true)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!serviceName || !*serviceName) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    ServiceRecord record;
    switch (FindServiceRecord(serviceName, false, nullptr, &record)) {
        case StoreAnswer::Found: return NewHandle(false, record.name);
        case StoreAnswer::Missing: SetLastError(ERROR_SERVICE_DOES_NOT_EXIST); break;
        case StoreAnswer::Failed: FailFromStore(ERROR_READ_FAULT); break;
    }
    return nullptr;
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD /*desiredAccess*/,
                         DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPathName,
                         LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR /*password*/) {
    if (Z_FaultPoint("CreateServiceA")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!IsLive(manager, true)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Windows refuses slashes in service names and names over 256 characters.
    if (!serviceName || !*serviceName || std::strlen(serviceName) > 256 || std::strpbrk(serviceName, "/\\") ||
        HasLineEnd(serviceName) || HasLineEnd(displayName)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    if (!binaryPathName || !*binaryPathName || HasLineEnd(binaryPathName) || HasLineEnd(loadOrderGroup) ||
        HasLineEnd(serviceStartName) || tagId || startType > SERVICE_DISABLED) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ServiceRecord record;
    record.name = serviceName;
    record.displayName = displayName && *displayName ? displayName : serviceName;
    record.binaryPath = binaryPathName;
    record.loadOrderGroup = loadOrderGroup ? loadOrderGroup : "";
    record.startName = serviceStartName && *serviceStartName ? serviceStartName : "LocalSystem";
    for (const char* name = dependencies; name && *name; name += std::strlen(name) + 1) {
        if (HasLineEnd(name) || std::strchr(name, '/')) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        record.dependencies.push_back(name);
    }
    record.serviceType = serviceType;
    record.startType = startType;
    record.errorControl = errorControl;
    record.state = SERVICE_STOPPED;

    // Names and display names share one space: none may repeat another.
    if (NameTaken(record.name, false, ERROR_SERVICE_EXISTS) ||
        NameTaken(record.name, true, ERROR_DUPLICATE_SERVICE_NAME) ||
        NameTaken(record.displayName, true, ERROR_DUPLICATE_SERVICE_NAME) ||
        NameTaken(record.displayName, false, ERROR_DUPLICATE_SERVICE_NAME)) {
        return nullptr;
    }
    std::string file;
    if (!NewServiceFilePath(record.name, &file)) {
        FailFromStore(ERROR_READ_FAULT);
        return nullptr;
    }
    if (!WriteServiceRecord(file, record)) {
        FailFromStore(ERROR_WRITE_FAULT);
        return nullptr;
    }
    return NewHandle(false, record.name);
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    if (Z_FaultPoint("ControlService")) return Fail(ERROR_ACCESS_DENIED);
    std::string file;
    ServiceRecord record;
    if (!LoadService(service, &file, &record)) return FALSE;
    if (!status) return Fail(ERROR_INVALID_PARAMETER);
    if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_INTERROGATE)
        return Fail(ERROR_INVALID_SERVICE_CONTROL);
    FillStatus(record, status);
    if (record.controlError) return Fail(record.controlError);
    if (record.state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
    if (control == SERVICE_CONTROL_INTERROGATE) return TRUE;
    if (record.state != SERVICE_RUNNING && record.state != SERVICE_PAUSED)
        return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    if (record.stopPolls) {
        record.state = SERVICE_STOP_PENDING;
        record.pendingPolls = record.stopPolls;
    } else {
        record.state = SERVICE_STOPPED;
    }
    if (!WriteServiceRecord(file, record)) return FailFromStore(ERROR_WRITE_FAULT);
    FillStatus(record, status);
    return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
    if (Z_FaultPoint("QueryServiceStatus")) return Fail(ERROR_ACCESS_DENIED);
    std::string file;
    ServiceRecord record;
    if (!LoadService(service, &file, &record)) return FALSE;
    if (!status) return Fail(ERROR_INVALID_PARAMETER);
    // A pending stop counts down one poll per query, then the service stops.
    if (record.state == SERVICE_STOP_PENDING) {
        if (record.pendingPolls) {
            --record.pendingPolls;
        } else {
            record.state = SERVICE_STOPPED;
        }
        if (!WriteServiceRecord(file, record)) return FailFromStore(ERROR_WRITE_FAULT);
    }
    FillStatus(record, status);
    return TRUE;
}

BOOL QueryServiceConfigA(SC_HANDLE service, LPQUERY_SERVICE_CONFIGA config, DWORD bufferSize, LPDWORD bytesNeeded) {
    if (Z_FaultPoint("QueryServiceConfigA")) return Fail(ERROR_ACCESS_DENIED);
    ServiceRecord record;
    if (!LoadService(service, nullptr, &record)) return FALSE;
    if (!bytesNeeded) return Fail(ERROR_INVALID_PARAMETER);

    // The dependencies as Windows hands them out: each name ended by a NUL,
    // the list ended by an empty name.
    std::string dependencyList;
    for (const std::string& name : record.dependencies) {
        dependencyList += name;
        dependencyList += '\0';
    }
    dependencyList += '\0';

    const std::string* texts[] = {&record.binaryPath, &record.loadOrderGroup, &record.startName, &record.displayName};
    size_t needed = sizeof(QUERY_SERVICE_CONFIGA) + dependencyList.size();
    for (const std::string* text : texts) needed += text->size() + 1;
    if (!config || bufferSize < needed) {
        *bytesNeeded = static_cast<DWORD>(needed);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }

    char* next = reinterpret_cast<char*>(config) + sizeof(QUERY_SERVICE_CONFIGA);
    auto place = [&next](const char* data, size_t size) {
        std::memcpy(next, data, size);
        char* placed = next;
        next += size;
        return placed;
    };
    config->dwServiceType = record.serviceType;
    config->dwStartType = record.startType;
    config->dwErrorControl = record.errorControl;
    config->dwTagId = 0;
    config->lpBinaryPathName = place(record.binaryPath.c_str(), record.binaryPath.size() + 1);
    config->lpLoadOrderGroup = place(record.loadOrderGroup.c_str(), record.loadOrderGroup.size() + 1);
    config->lpDependencies = place(dependencyList.data(), dependencyList.size());
    config->lpServiceStartName = place(record.startName.c_str(), record.startName.size() + 1);
    config->lpDisplayName = place(record.displayName.c_str(), record.displayName.size() + 1);
    *bytesNeeded = static_cast<DWORD>(needed);
    return TRUE;
}

BOOL DeleteService(SC_HANDLE service) {
    if (Z_FaultPoint("DeleteService")) return Fail(ERROR_ACCESS_DENIED);
    std::string file;
    ServiceRecord record;
    if (!LoadService(service, &file, &record)) return FALSE;
    if (Z_DeleteFile(file.c_str())) {
        service->deleted = true;
        return TRUE;
    }
    // A removal can fail after the name went (the flush of the folder
    // failed): the service is then gone all the same, and this handle says
    // so; the call fails with the reason either way.
    const DWORD error = WindowsErrorOfToolkit(ERROR_WRITE_FAULT);
    if (LookAtServiceFile(file) == StoreAnswer::Missing) service->deleted = true;
    return Fail(error);
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
    if (Z_FaultPoint("CloseServiceHandle")) return Fail(ERROR_INVALID_HANDLE);
    {
        std::lock_guard<std::mutex> lock(g_handleLock);
        if (!handle || !g_liveHandles.erase(handle)) return Fail(ERROR_INVALID_HANDLE);
    }
    delete handle;
    return TRUE;
}
