#include "upgrade_sequence.h"

#include <cstdio>

#include "error_line.h"
#include "run_record.h"
#include "upgrade_run.h"

namespace {

constexpr const char* kRemoveRecordStep = "remove the record of the run";

// A stopped run may have removed the previous release's service; the
// administrator learns that it is owed, not lost.
int Stopped(RunContext& run) {
    if (run.oldServiceRemoved) {
        std::printf("\nThe old service ZEL40SERVICE was removed; run the upgrade again to install the new one.\n\n");
        std::fflush(stdout);
    }
    UnlockHome(run);
    return EXIT_STOPPED;
}

// Status 2 ends in one place with the steps that failed, whatever the lines
// in between, so that the last thing an administrator reads is what to mend.
void ListFailedSteps(const RunContext& run) {
    std::printf("\nThese steps failed:\n");
    for (const char* step : run.failedSteps) std::printf("    %s\n", step);
    std::printf("Their ERROR lines above say why; run the same command again after mending them.\n\n");
    std::fflush(stdout);
}

// The run ended. A clean end removes the record; failing that, the next run
// takes it for an interrupted one and decides as this one did, which is
// still right. A run that finished with errors keeps its record, so that the
// run after the mending decides as this one did (whether the new programs
// were there before it, above all), instead of judging the home it left.
int Ended(RunContext& run, int status) {
    if (status == EXIT_FINISHED && !RemoveRunRecord(run)) {
        PrintToolkitErrorLine(kRemoveRecordStep);
        run.failedSteps.push_back(kRemoveRecordStep);
        status = EXIT_FINISHED_WITH_ERRORS;
    }
    if (status == EXIT_FINISHED_WITH_ERRORS) ListFailedSteps(run);
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
        case FilePhaseResult::AlreadyInPlace: return Ended(run, EXIT_FINISHED);
        case FilePhaseResult::AlreadyInPlaceWithErrors: return Ended(run, EXIT_FINISHED_WITH_ERRORS);
        case FilePhaseResult::FinishedWithErrors:
            std::printf("\nUpgrade is finished!\n\n");
            return Ended(run, EXIT_FINISHED_WITH_ERRORS);
        case FilePhaseResult::Finished: break;
    }
    std::printf("\nUpgrade is finished!\n\n");
    return Ended(run, EXIT_FINISHED);
}
