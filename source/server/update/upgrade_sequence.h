#pragma once

// Process exit statuses of an upgrade run.
constexpr int EXIT_FINISHED = 0;              // finished, already in place, or a switch answered
constexpr int EXIT_STOPPED = 1;               // stopped on an error
constexpr int EXIT_FINISHED_WITH_ERRORS = 2;  // finished, but a step of the file phase failed

// Makes the program's own directory current and records it as the package
// directory (packageDir holds Z_MAX_PATH characters).
bool LocatePackageDir(const char* programPath, char* packageDir);

// The whole upgrade; returns the process exit status.
int RunUpgrade();
