// The name the new release's service takes.
#pragma once

#include "blockers.h"

// When the run would install the new service, the name "ZEL Server" free or
// held by the service the run would register; a service of another
// installation under that name stops the run before the old service goes.
void CheckNewServiceName(const char* home, CheckFindings* findings);
