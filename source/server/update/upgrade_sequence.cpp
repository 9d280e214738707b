#include "upgrade_sequence.h"

#include <cstdio>

#include "console.h"
#include "error_line.h"
#include "run_record.h"
#include "run_summary_report.h"
#include "upgrade_log.h"
#include "upgrade_run.h"

namespace {

constexpr const char* kRemoveRecordStep = "remove the record of the run";

// A stopped run may have removed the previous release's service; the
// administrator learns that it is owed, not lost.
int Stopped(RunContext& run) {
    if (run.oldServiceRemoved) {
        ConsolePrint("\nThe old service ZEL40SERVICE was removed; run the upgrade again to install the new one.\n\n");
    }
    CloseUpgradeLog(EXIT_STOPPED);
    UnlockHome(run);
    return EXIT_STOPPED;
}

// Status 2 ends in one place with the steps that failed, whatever the lines
// in between, so that the last thing an administrator reads is what to mend.
void ListFailedSteps(const RunContext& run) {
    ConsolePrint("\nThese steps failed:\n");
    for (const char* step : run.failedSteps) ConsolePrint("    %s\n", step);
    ConsolePrint("Their ERROR lines above say why; run the same command again after mending them.\n\n");
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
        run.failedSteps.push_back(kRemoveRecordStep);
        status = EXIT_FINISHED_WITH_ERRORS;
    }
    if (status == EXIT_FINISHED_WITH_ERRORS) ListFailedSteps(run);
    if (finishedShown || status != EXIT_FINISHED) PrintRunSummary(run);
    CloseUpgradeLog(status);
    UnlockHome(run);
    return status;
}

}  // namespace

int RunUpgrade() {
    RunContext run;

    if (!StartUpgrade(run)) return Stopped(run);

    // From here on the home directory is changed. A stop in the dictionary
    // phase puts the dictionary back as it was; a kill or a crash leaves
    // that to the next run.
    if (!UpgradeDictionaries(run)) return Stopped(run);

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
