// How an administrator starts a service on Windows.
#include <string>

#include "service_migration.h"

std::string ServiceStartCommand(const char* name) { return std::string("net start \"") + name + "\""; }
