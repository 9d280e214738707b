// How the driver walks a phase: a table of steps, each one call that
// returns success or failure with the toolkit's last error set. The driver
// alone reports a failure, once, in the form the row names.
#pragma once

#include <cstddef>

#include "run_context.h"

// What a failed step does to the run.
enum class OnFailure {
    StopRun,           // the run stops here (exit status 1)
    FinishWithErrors,  // the next step runs; the run ends "finished with errors" (status 2)
};

// How a failure is shown.
enum class ErrorLine {
    Toolkit,  // "ERROR: <code> <text>": the toolkit's code and text
    Message,  // "ERROR: <text>": a message that says it all (a Windows error, a gate)
};

struct UpgradeStep {
    const char* name;  // what the step does, for the reader of the table
    bool (*run)(RunContext& run, const char* argument);
    const char* argument;  // a file or directory name for steps that work on one; may be null
    OnFailure onFailure;
    ErrorLine errorLine;
};

enum class StepsResult { Done, DoneWithErrors, Stopped };

// Runs the steps in order until one whose failure stops the run fails.
StepsResult RunSteps(RunContext& run, const UpgradeStep* steps, size_t count);
template <size_t N>
StepsResult RunSteps(RunContext& run, const UpgradeStep (&steps)[N]) {
    return RunSteps(run, steps, N);
}

// Prints the toolkit's last error in the form given.
void ReportStepFailure(ErrorLine line);
