#include "upgrade_sequence.h"

#include <cstdio>

#include "upgrade_run.h"

int RunUpgrade() {
    RunContext run;

    if (!StartUpgrade(run)) return EXIT_STOPPED;

    // From here on the home directory is changed; there is no rollback, and a
    // stop leaves what was already upgraded as it is.
    if (!UpgradeDictionaries(run)) return EXIT_STOPPED;

    switch (UpgradeFiles(run)) {
        case FilePhaseResult::AlreadyInPlace:
            return EXIT_FINISHED;
        case FilePhaseResult::FinishedWithErrors:
            std::printf("\nUpgrade is finished!\n\n");
            return EXIT_FINISHED_WITH_ERRORS;
        case FilePhaseResult::Finished:
            break;
    }
    std::printf("\nUpgrade is finished!\n\n");
    return EXIT_FINISHED;
}
