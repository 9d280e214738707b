// The failures a fault sweep injects, and those it injects at the system
// calls themselves: a clean run traced with strace gives each place of a
// system call (the call and the program's frames on the stack), and each
// place is failed once, at its first call, by strace's injection.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zel::testing {

// The system errors a failure injected at a place reports, taken in turn.
struct SystemError {
    const char* name;
    int number;
};
const SystemError& ErrorOfPlace(size_t place);

// One failure to inject: the variables that select it, and the text a run
// it stops or makes fail must show in an ERROR line as its reason.
struct Trial {
    std::string label;  // its first word names it alone ("all:N", "openat#K")
    std::vector<std::pair<std::string, std::string>> variables;
    std::string reason;
};

// The tracer, or "" when this machine has none.
std::string StracePath();

// ZEL_TEST_UPGRADE_WRAPPER for a clean run that writes its trace, with the
// stacks, to trace.
std::string TracingWrapper(const std::string& trace);

// A trial per place of a system call of the program in trace; operations
// counts the calls.
std::vector<Trial> SystemCallTrials(const std::string& trace, const std::string& program, int* operations);

}  // namespace zel::testing
