// Off Windows the service manager is our own stand-in (docs/service-manager.md):
// it keeps each service as a file and runs no program, so a service is
// marked as running in its file.
#include <string>

#include "service_migration.h"

std::string ServiceStartCommand(const char* name) {
    return std::string("add the line State=4 to the file of \"") + name +
           "\" in the service directory (ZEL_SERVICE_DIR, docs/service-manager.md)";
}
