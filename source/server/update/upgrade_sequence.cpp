#include "upgrade_sequence.h"

#include <cstdio>

#include "console.h"
#include "error_line.h"
#include "run_plan.h"
#include "run_record.h"
#include "run_summary_report.h"
#include "upgrade_log.h"
#include "upgrade_run.h"

namespace {

constexpr const char* kRemoveRecordStep = "remove the record of the run";
constexpr const char* kUnlockStep = "remove the lock of the home";

// Status 2 ends in one place with the steps that failed, whatever the lines
// in between, so that the last thing an administrator reads is what to mend.
void ListFailedSteps(const RunContext& run) {
    ConsolePrint("\nThese steps failed:\n");
    for (const FailedStep& step : run.failedSteps) ConsolePrint("    %s\n", step.name);
    ConsolePrint("Their ERROR lines above say why; run the same command again after mending them.\n\n");
}

// The lock file the run made goes before its log is closed, so that the
// log and the status say whether it stayed: a home left with it is not the
// home a clean run leaves. (Only this run's own log is written after.)
bool LetHomeGo(RunContext& run) {
    if (UnlockHome(run)) return true;
    PrintToolkitErrorLine(kUnlockStep);
    run.failedSteps.push_back(FailedStepNow(kUnlockStep));
    return false;
}

// A stopped run leaves the home and the services as it found them: the
// dictionary phase has put its files back, and what came before it goes
// back here. Should something stay changed, the run cannot say "nothing
// changed": it ends with status 2, listing what could not be put back.
int Stopped(RunContext& run) {
    int status = EXIT_STOPPED;
    if (!PutBackFirstChanges(run)) status = EXIT_FINISHED_WITH_ERRORS;
    if (!LetHomeGo(run)) status = EXIT_FINISHED_WITH_ERRORS;
    if (status == EXIT_FINISHED_WITH_ERRORS) {
        ListFailedSteps(run);
        PrintRunSummary(run);
    }
    return CloseUpgradeLog(run, status);
}

// -CHECK: phase 1's checks printed what they found; when they pass, the
// plan lists what the run would change, made by the run itself over a dry
// run.
int Checked(RunContext& run, bool passed) {
    if (passed) passed = PlanRun(run);
    if (passed) {
        ConsolePrint(
            "\nThe check found nothing that stops the upgrade; nothing was changed. Run the same command "
            "without -CHECK to upgrade.\n\n");
    } else {
        ConsolePrint("\nThe check found what would stop the upgrade (above); nothing was changed.\n\n");
    }
    const int status = LetHomeGo(run) ? (passed ? EXIT_FINISHED : EXIT_STOPPED) : EXIT_FINISHED_WITH_ERRORS;
    return CloseUpgradeLog(run, status);
}

// The run ended. A clean end removes the record; failing that, the next run
// takes it for an interrupted one and decides as this one did, which is
// still right. A run that finished with errors keeps its record, so that the
// run after the mending decides as this one did (whether the new programs
// were there before it, above all), instead of judging the home it left.
// The summary follows what the run printed; a release found in place ends
// silently, as it always did, and only its log says how it ended.
int Ended(RunContext& run, int status, bool finishedShown) {
    if (status == EXIT_FINISHED && !RemoveRunRecord(run)) {
        PrintToolkitErrorLine(kRemoveRecordStep);
        run.failedSteps.push_back(FailedStepNow(kRemoveRecordStep));
        status = EXIT_FINISHED_WITH_ERRORS;
    }
    if (!LetHomeGo(run)) status = EXIT_FINISHED_WITH_ERRORS;
    if (status == EXIT_FINISHED_WITH_ERRORS) ListFailedSteps(run);
    if (finishedShown || status != EXIT_FINISHED) PrintRunSummary(run);
    return CloseUpgradeLog(run, status);
}

}  // namespace

int RunUpgrade(RunMode mode) {
    RunContext run;
    run.mode = mode;

    const bool started = StartUpgrade(run);
    if (run.mode == RunMode::Check) return Checked(run, started);
    if (!started) return Stopped(run);

    // From here on the services and the home directory are changed. A stop
    // puts back what the run changed (the old service, the dictionary
    // phase's files); a kill or a crash leaves the files to the next run.
    if (!BeginChanges(run) || !UpgradeDictionaries(run)) return Stopped(run);

    switch (UpgradeFiles(run)) {
        case FilePhaseResult::AlreadyInPlace: return Ended(run, EXIT_FINISHED, false);
        case FilePhaseResult::AlreadyInPlaceWithErrors: return Ended(run, EXIT_FINISHED_WITH_ERRORS, false);
        case FilePhaseResult::FinishedWithErrors:
            ConsolePrint("\nUpgrade is finished!\n\n");
            return Ended(run, EXIT_FINISHED_WITH_ERRORS, true);
        case FilePhaseResult::Finished: break;
    }
    ConsolePrint("\nUpgrade is finished!\n\n");
    return Ended(run, EXIT_FINISHED, true);
}
