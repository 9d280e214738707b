// Phase 1's checks: everything that would stop the run once it has begun
// to change the home or the services is looked for first, all of it, so
// that an administrator mends everything in one go and a stop happens while
// nothing has changed. Each check reads only.
#include <cstdio>

#include "console.h"
#include "phase_one_checks.h"
#include "upgrade_run.h"
#include "zelkit.h"

namespace {

// What a check found, printed as it is found, so that the run's log holds
// it in the order of the checks.
void PrintFrom(const CheckFindings& findings, size_t blockersShown, size_t notesShown) {
    for (size_t i = notesShown; i < findings.notes.size(); ++i) ConsolePrint("\n%s\n", findings.notes[i].c_str());
    for (size_t i = blockersShown; i < findings.blockers.size(); ++i) {
        ConsolePrint("\nERROR: %s\n\n", findings.blockers[i].what.c_str());
    }
}

// The list that ends a run stopped by its checks: what to do about each
// thing the ERROR lines above name, after them, as the last thing read.
void ListWhatToDo(const RunContext& run, const CheckFindings& findings) {
    if (run.mode == RunMode::Check) {
        ConsolePrint("\nThe upgrade would not begin. To do before running it:\n");
    } else {
        ConsolePrint(
            "\nThe upgrade did not begin. Nothing was changed, the services included. To do before running "
            "the same command again:\n");
    }
    for (const Blocker& blocker : findings.blockers) ConsolePrint("    - %s\n", blocker.todo.c_str());
    ConsolePrint("\n");
}

}  // namespace

bool FindBlockers(RunContext& run, CheckFindings findings) {
    PrintFrom(findings, 0, 0);
    const CheckSubject subject{run.choices.home, run.choices.packageDir,
                               run.choices.dictionaryMode != DICTIONARY_MODE_ADD, run.mode == RunMode::Check};
    for (HomeCheck check : HomeAndPackageChecks()) {
        const size_t blockers = findings.blockers.size();
        const size_t notes = findings.notes.size();
        check(subject, &findings);
        PrintFrom(findings, blockers, notes);
    }
    if (findings.blockers.empty()) return true;
    ListWhatToDo(run, findings);
    return false;
}
