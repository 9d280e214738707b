// Control of the server's Windows service: install, stop, remove and
// inspect it, the record of its name in SERVICE.INF, and the text of
// Windows errors. Nothing here prints; a failure returns false (or 0) and
// leaves the Windows last error for the caller to turn into text with
// FormatSystemError.
#pragma once

#include "windows_api.h"

constexpr const char* DEFAULT_SERVICE_NAME = "ZEL Server";
// The service name cache holds 63 characters and the terminator.
constexpr int SERVICE_NAME_SIZE = 64;

// The text of the current Windows last error as "<message> (<code>)", or
// "(<code>)" when Windows has none. A buffer too small for the message
// (its length plus 14) stays empty.
char* FormatSystemError(char* buffer, int size);

// Closes a service or manager handle without changing the last error.
void CloseServiceHandleSafe(SC_HANDLE handle);

// Opens the local service manager and, when service is given, the named
// service (an empty name means ReadServiceName). On true the caller closes
// what was opened; on false nothing is left open.
bool OpenServiceControl(SC_HANDLE* manager, const char* serviceName, SC_HANDLE* service);

// Registers programPath (the running program when empty) as an own-process
// service started with " -resident" (and " -p:<parameters>"), depending on
// "tcpip", and records the name in SERVICE.INF.
bool InstallService(const char* serviceName, const char* parameters, const char* programPath, DWORD startType);

// Stops the service and waits, one second per poll, until it has stopped.
bool StopService(SC_HANDLE service);

// Stops and deletes the service; SERVICE.INF goes first.
bool RemoveService(const char* serviceName);

// The service's current state (nonzero), or 0 on a failure. With a buffer,
// *size is its room on entry and the size needed on return, and the
// buffer receives the configuration with its texts after the record.
DWORD QueryServiceConfiguration(const char* serviceName, LPQUERY_SERVICE_CONFIGA config, DWORD* size);

// The service name recorded in SERVICE.INF, or "ZEL Server"; cached for
// the run.
const char* ReadServiceName();
// Records name in SERVICE.INF when it differs from the cached one; with no
// name, or the cached one, deletes the file. False when the file could not
// be written or deleted: the toolkit's last error says why, the Windows last
// error is ERROR_WRITE_FAULT.
bool WriteServiceName(const char* name);
// Whether the last failed service operation failed at SERVICE.INF (once:
// the answer is forgotten when asked), so that its cause is the toolkit's.
bool ServiceRecordFailed();

// SERVICE.INF lies in the home's system directory (systemDir), set before
// the first service operation; without it there is no record.
void SetServiceRecordDirectory(const char* systemDir);
// The path of SERVICE.INF; false when no directory was set or the path
// would not fit.
bool GetServiceInfPath(char* buffer, int size);
// Empties the service name cache, as at the start of a run (for tests).
void ForgetServiceName();
