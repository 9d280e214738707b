#include "upgrade_sequence.h"

#include <cstdio>

#include "error_line.h"
#include "run_record.h"
#include "upgrade_run.h"

namespace {

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

// The run ended: its record goes. Failing that, the next run takes it for an
// interrupted one and decides as this one did, which is still right.
int Ended(RunContext& run, int status) {
    if (!RemoveRunRecord(run)) {
        PrintToolkitErrorLine();
        if (status == EXIT_FINISHED) status = EXIT_FINISHED_WITH_ERRORS;
    }
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
