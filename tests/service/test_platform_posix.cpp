#include <cstdlib>
#include <cstring>

#include "service/test_platform.h"
#include "service_control.h"

void SetTestEnvironment(const char* name, const char* value) {
    if (value && *value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

bool RegisteredDependencies(const std::string& serviceName, std::vector<std::string>* names) {
    uint64_t storage[8192 / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = sizeof(storage);
    if (!QueryServiceConfiguration(serviceName.c_str(), config, &size)) return false;
    names->clear();
    for (const char* entry = config->lpDependencies; entry && *entry; entry += std::strlen(entry) + 1)
        names->push_back(entry);
    return true;
}
