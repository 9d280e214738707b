#include "upgrade_steps.h"

#include <cstdio>

#include "console.h"
#include "error_line.h"
#include "fault_injection.h"
#include "zelkit.h"

void ReportStepFailure(const UpgradeStep& step) {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    switch (step.errorLine) {
        case ErrorLine::Toolkit: PrintToolkitErrorLine(step.name); return;
        case ErrorLine::Labelled: PrintToolkitErrorLine(); return;
        case ErrorLine::System: ConsolePrint("\nERROR: %s: %s\n\n", step.name, text); break;
        case ErrorLine::Gate: ConsolePrint("\nERROR: %s\n\n", text); break;
    }
}

StepsResult RunSteps(RunContext& run, const UpgradeStep* steps, size_t count) {
    StepsResult result = StepsResult::Done;
    for (size_t i = 0; i < count; ++i) {
        const UpgradeStep& step = steps[i];
        ZelNameFaultSite(step.name);
        if (step.run(run, step.argument)) continue;
        ReportStepFailure(step);
        if (step.onFailure == OnFailure::StopRun) {
            run.stoppedBy = FailedStepNow(step.name);
            return StepsResult::Stopped;
        }
        run.failedSteps.push_back(FailedStepNow(step.name));
        result = StepsResult::DoneWithErrors;
    }
    return result;
}
