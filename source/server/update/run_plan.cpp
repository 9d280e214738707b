#include "run_plan.h"

#include "console.h"
#include "error_line.h"
#include "run_record_file.h"
#include "run_summary_report.h"
#include "service_plan.h"
#include "upgrade_run.h"
#include "zelkit.h"

namespace {

constexpr const char* kPlanStep = "make the run over a dry run";

// Ends the dry run and the service plan however the run made over them
// ended, so that nothing after the plan reaches them.
class DryRun {
public:
    DryRun() : handle_(Z_BeginDryRun(nullptr)) {
        if (handle_ == nullptr) return;
        BeginServicePlan();
        ConsoleToLogOnly(true);
    }
    ~DryRun() {
        if (handle_ == nullptr) return;
        ConsoleToLogOnly(false);
        EndServicePlan();
        Z_EndDryRun(handle_);
    }
    DryRun(const DryRun&) = delete;
    DryRun& operator=(const DryRun&) = delete;

    bool Begun() const { return handle_ != nullptr; }

private:
    HZDRYRUN handle_;
};

bool MakeRun(RunContext& run) {
    LogLine("\nThe run as the check makes it, over a dry run; none of it is done:");
    if (!BeginChanges(run) || !UpgradeDictionaries(run)) return false;
    const FilePhaseResult files = UpgradeFiles(run);
    return files == FilePhaseResult::Finished || files == FilePhaseResult::AlreadyInPlace;
}

}  // namespace

bool PlanRun(RunContext& run) {
    // An interrupted dictionary phase is put back from its journal first:
    // the check makes that put-back over the dry run too, as the run's first
    // step, so that the plan starts from the home the run will see.
    const int journal = Z_HasFileJournal(JournalDirectory(run.choices.home).c_str());
    if (journal < 0) {
        PrintToolkitErrorLine(kPlanStep);
        run.failedSteps.push_back(FailedStepNow(kPlanStep));
        return false;
    }
    bool finished = false;
    {
        DryRun dryRun;
        if (!dryRun.Begun()) {
            PrintToolkitErrorLine(kPlanStep);
            run.failedSteps.push_back(FailedStepNow(kPlanStep));
            return false;
        }
        finished = MakeRun(run);
    }
    finished = finished && run.failedSteps.empty() && run.stoppedBy.name == nullptr;
    PrintRunPlan(run, finished);
    return finished;
}
