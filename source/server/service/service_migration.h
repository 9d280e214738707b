#pragma once

// 1 when a server of the home directory answers, else 0.
int IsServerRunning(const char* home);
// 1 removed, 0 nothing to remove, -1 failure (printed). binDir has no
// trailing separator.
int RemoveOldService(const char* binDir);
int InstallNewService(const char* binDir);
