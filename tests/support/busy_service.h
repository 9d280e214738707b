// Windows only: a registered service whose program is the tests' busy
// service (see busy_service_win32.cpp), started and ended again.
#pragma once

#include <string>

namespace zel::testing {

// The built busy service program.
std::string BusyServiceProgram();

// Starts the service and waits until it says it runs; false when it does
// not within a few seconds.
bool StartBusyService(const char* name);

// Lets every busy service end and waits until this one has stopped.
void EndBusyService(const char* name);

}  // namespace zel::testing
