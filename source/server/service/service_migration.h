#pragma once

#include <string>

#include "service_registration.h"

// The service steps print nothing of a failure: it is left as the toolkit's
// last error, whose text is the Windows message and code (or, for a
// failure of the toolkit itself, the toolkit's own text).

// True when a server of the home directory answers.
bool IsServerRunning(const char* home);
// Removes the previous release's service when its program lies in binDir
// (no trailing separator); *removed says whether it did. Before the removal
// the service is recorded in systemDir (with a separator at its end) as
// owing a successor; *registration (when given) receives what was
// registered, for RegisterServiceAgain. False on a failure.
bool RemoveOldService(const char* binDir, const char* systemDir, bool* removed,
                      ServiceRegistration* registration = nullptr);
// Undoes RemoveOldService for a run that stops after it: registers the
// service again as it was (SERVICE.INF too) and forgets the record of it.
// False on a failure.
bool RegisterServiceAgain(const ServiceRegistration& registration, const char* systemDir);
// The command that registers the service again by hand, for when the run
// could not.
std::string RegisterAgainCommand(const ServiceRegistration& registration);
// Looks, reading only, at the name the new release's service would take:
// when a run would install it (the old service of this home is there, or an
// earlier run removed it) and another service holds the name, *holder gets
// that service's command line; empty otherwise. False on a failure.
bool FindNewServiceNameHolder(const char* binDir, const char* systemDir, std::string* holder);
// Registers the new release's service (once: one registered exactly so is
// taken as done) and clears the record of the removed one. *name (when
// given) receives the name it is registered under.
bool InstallNewService(const char* binDir, const char* systemDir, std::string* name = nullptr);

// Whether the named service runs now; false too when that cannot be told.
bool ServiceIsRunning(const char* name);
// The command an administrator starts the named service with.
std::string ServiceStartCommand(const char* name);
