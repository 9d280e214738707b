#include "support/registered_services.h"

#include <cstring>

namespace zel::testing {

bool RegisterService(const char* name, const char* displayName, const std::string& commandLine) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return false;
    SC_HANDLE service =
        CreateServiceA(manager, name, displayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                       SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr, "tcpip\0", nullptr, nullptr);
    if (service != nullptr) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

void DeleteServiceIfPresent(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return;
    if (SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS)) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

RegisteredService QueryRegisteredService(const char* name) {
    RegisteredService result;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return result;
    if (SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS)) {
        alignas(8) char buffer[8192];
        DWORD needed = 0;
        auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(buffer);
        if (QueryServiceConfigA(service, config, sizeof buffer, &needed)) {
            result.exists = true;
            result.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
            result.displayName = config->lpDisplayName ? config->lpDisplayName : "";
            result.startType = config->dwStartType;
            for (const char* p = config->lpDependencies; p != nullptr && *p != '\0'; p += std::strlen(p) + 1) {
                result.dependencies.push_back(p);
            }
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

}  // namespace zel::testing
