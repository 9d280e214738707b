// The services as a check plans them. While a plan is kept, the calls of
// service_control.h that would change the service manager (install, stop,
// remove) record what they would do and answer as if it were done, and
// what they read afterwards is the plan's: a removed service no longer
// exists, an installed one holds the command line it was given. The
// service manager itself is only read.
#pragma once

#include "windows_api.h"

void BeginServicePlan();
void EndServicePlan();
bool ServicesPlanned();

// What the plan did to a name (names as the manager compares them,
// without regard to ASCII case).
void PlanServiceInstalled(const char* name, const char* commandLine, DWORD startType);
void PlanServiceRemoved(const char* name);
bool PlannedRemoved(const char* name);
// The configuration of a service the plan installed into config (room
// *size bytes on entry, the size needed on return), as QueryServiceConfigA
// gives it; false with the Windows last error when there is none or it
// does not fit.
bool PlannedConfiguration(const char* name, LPQUERY_SERVICE_CONFIGA config, DWORD* size, bool* installed);
