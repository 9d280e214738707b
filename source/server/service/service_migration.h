#pragma once

#include <string>

// The service steps print nothing of a failure: it is left as the toolkit's
// last error, whose text is the Windows message and code (or, for a
// failure of the toolkit itself, the toolkit's own text).

// True when a server of the home directory answers.
bool IsServerRunning(const char* home);
// Removes the previous release's service when its program lies in binDir
// (no trailing separator); *removed says whether it did. Before the removal
// the service is recorded in systemDir (with a separator at its end) as
// owing a successor. False on a failure.
bool RemoveOldService(const char* binDir, const char* systemDir, bool* removed);
// Registers the new release's service (once: one registered exactly so is
// taken as done) and clears the record of the removed one. *name (when
// given) receives the name it is registered under.
bool InstallNewService(const char* binDir, const char* systemDir, std::string* name = nullptr);

// Whether the named service runs now; false too when that cannot be told.
bool ServiceIsRunning(const char* name);
// The command an administrator starts the named service with.
std::string ServiceStartCommand(const char* name);
