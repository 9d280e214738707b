#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "service/test_platform.h"

void SetTestEnvironment(const char* name, const char* value) {
    // An empty value removes the variable on Windows.
    _putenv_s(name, value ? value : "");
}

bool RegisteredDependencies(const std::string& serviceName, std::vector<std::string>* names) {
    const std::string keyName = "System\\CurrentControlSet\\Services\\" + serviceName;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char data[1024] = {};
    DWORD size = sizeof(data) - 2;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, "DependOnService", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    names->clear();
    if (result == ERROR_FILE_NOT_FOUND) return true;
    if (result != ERROR_SUCCESS || type != REG_MULTI_SZ) return false;
    for (const char* entry = data; *entry; entry += std::strlen(entry) + 1) names->push_back(entry);
    return true;
}
