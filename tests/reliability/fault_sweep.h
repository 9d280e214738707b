// The fault sweep: fail every place of a whole upgrade where a fault can
// be injected (each public call, stand-in entry and file operation, told
// apart by the call it is in, the step and the kind of file) once, with a
// system error, and check what the run says against what it leaves: a run that ends 0 has
// left exactly a clean run's home, dictionary and services; one that ends 2
// names each failed step in an ERROR line and in its closing list, with the
// system's reason; one that stops (1) says why and has changed nothing, the
// services included; every
// file is wholly old, wholly new or a state between two steps; and a
// fault-free rerun reaches a clean run's result. Before all, -CHECK of the
// same run ends 0 and changes nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/upgrade_fixture.h"

namespace zel::testing {

struct SweepScenario {
    std::string name;
    std::vector<std::string> arguments;                // after DIR:
    std::function<void(const UpgradeWorld&)> prepare;  // changes to the fresh home (may be empty)
    std::string home = {};  // zelhome's description of the fresh home (empty: the typical home)
    // After the old service is registered (may be empty): what the
    // services or an interrupted first run make of the home.
    std::function<void(const UpgradeWorld&)> afterServices = {};
};

struct SweepReport {
    int faultPoints = 0;  // distinct places of a clean run where a fault can be injected
    int operations = 0;   // all the points of a clean run
    int triedPoints = 0;
    int finished = 0;            // tried points whose run ended 0
    int finishedWithErrors = 0;  // ended 2
    int stopped = 0;             // ended 1
    std::vector<std::string> violations;  // broken rules: the test fails on these
};

// Where failures are injected: at the program's fault points (ZEL_FAULT),
// or at the system calls themselves, each distinct place of a system call
// in a traced clean run (strace; off Windows).
enum class Injection { FaultPoints, SystemCalls };

// Tries every stride-th place (1 = all).
SweepReport RunFaultSweep(const SweepScenario& scenario, int stride, Injection injection = Injection::FaultPoints);

}  // namespace zel::testing
