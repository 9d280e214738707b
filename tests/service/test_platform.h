// What the service tests do differently per platform (one file each).
#pragma once

#include <string>
#include <vector>

// An empty value removes the variable.
void SetTestEnvironment(const char* name, const char* value);

// The services a registered service depends on, as the service manager
// keeps them. Wine's QueryServiceConfigA leaves them out, so on Windows
// they are read from the registry, where CreateServiceA put them.
bool RegisteredDependencies(const std::string& serviceName, std::vector<std::string>* names);
