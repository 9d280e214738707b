#include "service_plan.h"

#include <cstring>
#include <string>
#include <vector>

#include "zelkit.h"

namespace {

struct PlannedService {
    std::string name;
    std::string commandLine;
    DWORD startType = 0;
    bool removed = false;
};

// One process runs one check, as the console is one.
struct ServicePlan {
    bool kept = false;
    std::vector<PlannedService> services;
};

ServicePlan& Plan() {
    static ServicePlan plan;
    return plan;
}

PlannedService* Find(const char* name) {
    for (PlannedService& service : Plan().services) {
        if (ZSTRCMPI(service.name.c_str(), name) == 0) return &service;
    }
    return nullptr;
}

PlannedService& Entry(const char* name) {
    if (PlannedService* known = Find(name)) return *known;
    Plan().services.push_back(PlannedService{name, {}, 0, false});
    return Plan().services.back();
}

}  // namespace

void BeginServicePlan() { Plan() = ServicePlan{true, {}}; }
void EndServicePlan() { Plan() = ServicePlan{}; }
bool ServicesPlanned() { return Plan().kept; }

void PlanServiceInstalled(const char* name, const char* commandLine, DWORD startType) {
    PlannedService& service = Entry(name);
    service.commandLine = commandLine;
    service.startType = startType;
    service.removed = false;
}

void PlanServiceRemoved(const char* name) {
    PlannedService& service = Entry(name);
    service.commandLine.clear();
    service.removed = true;
}

bool PlannedRemoved(const char* name) {
    const PlannedService* service = Find(name);
    return service != nullptr && service->removed;
}

bool PlannedConfiguration(const char* name, LPQUERY_SERVICE_CONFIGA config, DWORD* size, bool* installed) {
    const PlannedService* service = Find(name);
    *installed = service != nullptr && !service->removed;
    if (!*installed) return false;
    if (config == nullptr) return true;
    // The texts follow the record, as the service manager lays them out:
    // the command line, the name (display name), the dependencies.
    const size_t needed = sizeof(QUERY_SERVICE_CONFIGA) + service->commandLine.size() + 1 +
                          service->name.size() + 1 + sizeof("tcpip") + 1;
    if (size == nullptr || *size < needed) {
        if (size != nullptr) *size = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    std::memset(config, 0, needed);
    char* text = reinterpret_cast<char*>(config + 1);
    const auto put = [&text](const std::string& value) {
        char* start = text;
        std::memcpy(text, value.c_str(), value.size() + 1);
        text += value.size() + 1;
        return start;
    };
    config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    config->dwStartType = service->startType;
    config->dwErrorControl = SERVICE_ERROR_NORMAL;
    config->lpBinaryPathName = put(service->commandLine);
    config->lpDisplayName = put(service->name);
    config->lpDependencies = put(std::string("tcpip") + '\0');
    config->lpLoadOrderGroup = text - 1;
    config->lpServiceStartName = text - 1;
    *size = static_cast<DWORD>(needed);
    return true;
}
