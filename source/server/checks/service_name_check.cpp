#include "service_name_check.h"

#include <string>

#include "fixed_path.h"
#include "service_control.h"
#include "service_migration.h"
#include "zelkit.h"

void CheckNewServiceName(const char* home, CheckFindings* findings) {
    // The service records its program without a trailing separator.
    const FixedPath bin = FixedPath::Directory(home).File("bin");
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    std::string holder;
    if (!bin.ok() || !system.ok() || !FindNewServiceNameHolder(bin.c_str(), system.c_str(), &holder)) {
        findings->blockers.push_back(
            {std::string("Whether the new service's name is free cannot be told: ") + Z_GetLastErrorPrompt(nullptr, 0),
             "mend what keeps the service manager from answering"});
        return;
    }
    if (holder.empty()) return;
    findings->blockers.push_back(
        {std::string("The service name \"") + DEFAULT_SERVICE_NAME + "\" is held by another installation's service, " +
             holder + ": the new service of this home could not be registered under it.",
         std::string("remove the service \"") + DEFAULT_SERVICE_NAME +
             "\" if its installation is gone (two servers on one machine cannot both have it)"});
}
