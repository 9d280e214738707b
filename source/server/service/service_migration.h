#pragma once

// The service steps print nothing of a failure: it is left as the toolkit's
// last error, whose text is the Windows message and code.

// True when a server of the home directory answers.
bool IsServerRunning(const char* home);
// Removes the previous release's service when its program lies in binDir
// (no trailing separator); *removed says whether it did. False on a
// failure.
bool RemoveOldService(const char* binDir, bool* removed);
bool InstallNewService(const char* binDir);
