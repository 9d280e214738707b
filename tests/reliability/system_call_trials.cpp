#include "reliability/system_call_trials.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "support/scratch_dir.h"

namespace zel::testing {

namespace {

constexpr SystemError kErrors[] = {
    {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EACCES", EACCES}, {"EMFILE", EMFILE}, {"EROFS", EROFS}};

// Calls that make the process itself (memory, signals, threads, its end):
// their failure is a crash of any program, not a path of the upgrade's.
const std::set<std::string>& ProcessCalls() {
    static const std::set<std::string> calls = {
        "mmap", "munmap", "mprotect", "mremap", "madvise", "brk", "exit_group", "exit", "rt_sigaction",
        "rt_sigprocmask", "rt_sigreturn", "sigaltstack", "futex", "arch_prctl", "set_tid_address",
        "set_robust_list", "rseq", "prlimit64", "getrandom", "clock_gettime", "clock_nanosleep", "nanosleep",
        "sched_yield", "gettid", "getpid", "execve"};
    return calls;
}

}  // namespace

const SystemError& ErrorOfPlace(size_t place) { return kErrors[place % (sizeof kErrors / sizeof kErrors[0])]; }

std::string StracePath() {
    for (const char* path : {"/usr/bin/strace", "/bin/strace"}) {
        if (std::filesystem::exists(path)) return path;
    }
    return "";
}

std::string TracingWrapper(const std::string& trace) { return StracePath() + " -k -qq -o " + trace; }

std::vector<Trial> SystemCallTrials(const std::string& trace, const std::string& program, int* operations) {
    std::vector<Trial> trials;
    std::set<std::string> seen;
    std::map<std::string, int> callsByName;
    std::istringstream lines(ReadFileText(trace));
    std::string line;
    std::string name;  // the call whose stack the frames below belong to
    std::string site;
    int count = 0;
    bool console = false;
    size_t places = 0;
    const char* every = std::getenv("ZEL_SWEEP_EVERY_ERROR");
    const bool everyError = every != nullptr && every[0] == '1';
    auto finish = [&] {
        // A place is a call with the program's own frames: one made by the
        // loader before the program ran is none, nor is a write of the
        // console, which the run needs to say anything at all.
        if (name.empty() || site.empty() || console || ProcessCalls().count(name) != 0) return;
        if (!seen.insert(name + site).second) return;
        const std::string selected = name + "#" + std::to_string(count);
        const auto add = [&](const SystemError& error) {
            trials.push_back({selected + " (" + error.name + ")",
                              {{"ZEL_TEST_UPGRADE_WRAPPER", StracePath() + " -qq -o /dev/null -e trace=" + name +
                                                                " -e inject=" + name + ":error=" + error.name +
                                                                ":when=" + std::to_string(count)}},
                              std::strerror(error.number)});
        };
        // One error a place, in turn; every error at every place when asked
        // (five times the runs).
        if (everyError) {
            for (const SystemError& error : kErrors) add(error);
        } else {
            add(ErrorOfPlace(places));
        }
        ++places;
    };
    *operations = 0;
    while (std::getline(lines, line)) {
        if (line.rfind(" > ", 0) == 0) {
            // A frame of the program: "<path>(<symbol>+0x..) [0x<offset>]";
            // the innermost is the place that made the call.
            if (site.empty() && line.find(program) != std::string::npos) site = line.substr(line.rfind('['));
            continue;
        }
        finish();
        name.clear();
        site.clear();
        const size_t open = line.find('(');
        if (open == std::string::npos || line.rfind("+++", 0) == 0 || line.rfind("---", 0) == 0) continue;
        name = line.substr(0, open);
        count = ++callsByName[name];
        console = (name == "write" || name == "writev") &&
                  (line.compare(open + 1, 2, "1,") == 0 || line.compare(open + 1, 2, "2,") == 0);
        ++*operations;
    }
    finish();
    return trials;
}

}  // namespace zel::testing
