// What a run that stops puts back of its first changes, so that a stop
// leaves the services as the run found them, and the home too: the
// dictionary phase's journal has put back its own files by then.
#include <cstdio>

#include "console.h"
#include "error_line.h"
#include "fixed_path.h"
#include "run_record.h"
#include "service_migration.h"
#include "upgrade_run.h"
#include "zelkit.h"

namespace {

constexpr const char* kRegisterAgainStep = "register the previous release's service again";
constexpr const char* kRemoveRecordStep = "remove the record of the run";

// Registered again from what the service manager gave before the removal,
// never from the record in the home, which the server's account can write.
bool RegisterOldServiceAgain(RunContext& run) {
    const FixedPath system = FixedPath::Directory(run.choices.home).Sub("system");
    if (system.ok() && RegisterServiceAgain(run.removedService, system.c_str())) {
        run.oldServiceRemoved = false;
        run.actions.Withdraw(ActionKind::ServiceRemoved, run.removedService.name);
        ConsolePrint("\nThe old service %s was registered again as it was before this run.\n",
                     run.removedService.name.c_str());
        return true;
    }
    ConsolePrint("\nERROR: %s: %s\n\n", kRegisterAgainStep, Z_GetLastErrorPrompt(nullptr, 0));
    ConsolePrint("Register it again with:\n    %s\n", RegisterAgainCommand(run.removedService).c_str());
    run.failedSteps.push_back(FailedStepNow(kRegisterAgainStep));
    return false;
}

}  // namespace

bool PutBackFirstChanges(RunContext& run) {
    if (run.actions.Has(ActionKind::ServiceRemoved)) {
        RegisterOldServiceAgain(run);
    } else if (run.oldServiceRemoved) {
        // Removed by an earlier run whose successor was not installed: this
        // run changed nothing of it.
        const FixedPath record = FixedPath::Directory(run.choices.home).Sub("system").File("OLDSERVICE.INF");
        ConsolePrint(
            "\nThe old service ZEL40SERVICE was removed by an earlier run; run the upgrade again to install the new "
            "one, or register the old one again as %s records it.\n\n",
            record.c_str());
    }
    // The record this run made goes with everything else it did; a record
    // of an interrupted run stays for the run after this one, and so does
    // one whose journal could not put the dictionary back.
    if (run.recordMade && run.failedSteps.empty() && !RemoveRunRecord(run)) {
        PrintToolkitErrorLine(kRemoveRecordStep);
        run.failedSteps.push_back(FailedStepNow(kRemoveRecordStep));
    }
    return run.failedSteps.empty();
}
