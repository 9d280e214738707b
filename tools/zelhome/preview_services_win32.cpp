#include <windows.h>

#include <vector>

#include "preview_services.h"

namespace zelhome {

// Asks the service manager for the old service's configuration and state
// only: nothing is stopped, removed or installed.
bool PlanServices(const std::string& home, const std::string& /*copy*/, const std::string& /*mirrorDir*/,
                  ServicePlan* plan, std::string* /*message*/) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return true;  // no service manager to ask: nothing would be removed
    SC_HANDLE service = OpenServiceA(manager, OLD_SERVICE_NAME, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
    if (service == nullptr) {
        CloseServiceHandle(manager);
        return true;
    }
    std::vector<unsigned char> buffer(4096);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    SERVICE_STATUS status{};
    const bool configured = QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed) != 0;
    if (configured) {
        plan->oldService.registered = true;
        plan->oldService.name = OLD_SERVICE_NAME;
        plan->oldService.displayName = config->lpDisplayName != nullptr ? config->lpDisplayName : "";
        plan->oldService.commandLine = config->lpBinaryPathName != nullptr ? config->lpBinaryPathName : "";
    }
    if (configured && config->lpDisplayName != nullptr && std::string(config->lpDisplayName) == OLD_SERVICE_DISPLAY &&
        config->lpBinaryPathName != nullptr && ProgramInBin(config->lpBinaryPathName, home)) {
        plan->actions.push_back(std::string("old service removed: ") + OLD_SERVICE_NAME);
        plan->actions.push_back("new service installed: ZEL Server (ZEL Server), \"" + home +
                                "\\bin\\zemservice.exe\" -resident");
        if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
            (status.dwControlsAccepted & SERVICE_ACCEPT_STOP) == 0) {
            plan->blockers.push_back(std::string("the old service ") + OLD_SERVICE_NAME +
                                     " is running and does not accept a stop control");
        }
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return true;
}

}  // namespace zelhome
