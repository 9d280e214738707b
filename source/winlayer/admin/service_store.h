// The services of the off-Windows service manager: one small text file per
// service in one directory (ZEL_SERVICE_DIR). docs/service-manager.md gives
// the format.
#pragma once

#include <filesystem>
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

// ZEL_SERVICE_DIR, or <temp dir>/zel-services when it is not set.
std::filesystem::path ServiceDirectory();

// Reads one service file; false when it cannot be read or names no service.
bool ReadServiceRecord(const std::filesystem::path& file, ServiceRecord* record);
// Replaces the file in one step (written beside it, then renamed).
bool WriteServiceRecord(const std::filesystem::path& file, const ServiceRecord& record);

// Looks a service up by name or, with byDisplayName, by display name,
// without regard to case, as Windows does.
bool FindServiceRecord(const std::string& name, bool byDisplayName, std::filesystem::path* file, ServiceRecord* record);

// A file name for a new service that no other file uses.
std::filesystem::path NewServiceFilePath(const std::string& name);

bool SameServiceName(const std::string& a, const std::string& b);
