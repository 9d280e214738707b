// The services of the off-Windows service manager: one small text file per
// service in one directory (ZEL_SERVICE_DIR). docs/service-manager.md gives
// the format.
#pragma once

#include <string>
#include <vector>

#include "windows_api.h"

struct ServiceRecord {
    std::string name;
    std::string displayName;
    std::string binaryPath;  // exactly as registered, quotes and arguments included
    std::string loadOrderGroup;
    std::string startName;
    std::vector<std::string> dependencies;
    DWORD serviceType = SERVICE_WIN32_OWN_PROCESS;
    DWORD startType = SERVICE_DEMAND_START;
    DWORD errorControl = SERVICE_ERROR_NORMAL;
    DWORD state = SERVICE_STOPPED;
    // Status queries after a stop control that still report STOP_PENDING.
    DWORD stopPolls = 0;
    // What is left of stopPolls while the stop is pending.
    DWORD pendingPolls = 0;
    // When nonzero, a control fails with this Windows error.
    DWORD controlError = 0;
    // Lines with keys of no meaning here, kept when the file is rewritten.
    std::vector<std::string> otherLines;
};

// What a look at the store found. Failed: the store could not be read, and
// the toolkit's last error says why; never taken for "no service".
enum class StoreAnswer { Found, Missing, Failed };

// ZEL_SERVICE_DIR, or <temp dir>/zel-services when it is not set.
std::string ServiceDirectory();

// Reads one service file. Missing: no such file, or it names no service
// (no Name= line).
StoreAnswer ReadServiceRecord(const std::string& file, ServiceRecord* record);
// Replaces the file in one step (written beside it, then renamed).
bool WriteServiceRecord(const std::string& file, const ServiceRecord& record);

// Looks a service up by name or, with byDisplayName, by display name,
// without regard to case, as Windows does. Any service file that cannot be
// read fails the look-up: it may be the one asked for.
StoreAnswer FindServiceRecord(const std::string& name, bool byDisplayName, std::string* file, ServiceRecord* record);

// Every service of folder (the store, or a copy of it) with its file; false
// when the folder or one of its service files cannot be read.
struct StoredService {
    std::string file;
    ServiceRecord record;
};
bool ListServiceRecords(const std::string& folder, std::vector<StoredService>* services);

// Whether a service file is there (its name itself, never followed).
StoreAnswer LookAtServiceFile(const std::string& file);

// A file name for a new service that no other file uses; false when a
// candidate cannot be looked at.
bool NewServiceFilePath(const std::string& name, std::string* file);

bool SameServiceName(const std::string& a, const std::string& b);
