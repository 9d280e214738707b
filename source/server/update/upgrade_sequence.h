#pragma once

#include "run_context.h"

// Process exit statuses of an upgrade run.
constexpr int EXIT_FINISHED = 0;  // finished, already in place, or a switch answered; -CHECK: nothing stops the run
constexpr int EXIT_STOPPED = 1;   // stopped with nothing changed, the services included; -CHECK: the run would stop
// Finished, but a step of the file phase failed; or stopped, and what it
// had changed could not all be put back.
constexpr int EXIT_FINISHED_WITH_ERRORS = 2;

// Makes the program's own directory current and records it as the package
// directory (packageDir holds Z_MAX_PATH characters).
bool LocatePackageDir(const char* programPath, char* packageDir);

// The whole upgrade, or with RunMode::Check its first phase alone; returns
// the process exit status.
int RunUpgrade(RunMode mode = RunMode::Upgrade);
