#include "upgrade_steps.h"

#include <cstdio>

#include "error_line.h"
#include "zelkit.h"

void ReportStepFailure(ErrorLine line) {
    if (line == ErrorLine::Toolkit) {
        PrintToolkitErrorLine();
        return;
    }
    std::printf("\nERROR: %s\n\n", Z_GetLastErrorPrompt(nullptr, 0));
    std::fflush(stdout);
}

StepsResult RunSteps(RunContext& run, const UpgradeStep* steps, size_t count) {
    StepsResult result = StepsResult::Done;
    for (size_t i = 0; i < count; ++i) {
        const UpgradeStep& step = steps[i];
        if (step.run(run, step.argument)) continue;
        ReportStepFailure(step.errorLine);
        if (step.onFailure == OnFailure::StopRun) return StepsResult::Stopped;
        result = StepsResult::DoneWithErrors;
    }
    return result;
}
