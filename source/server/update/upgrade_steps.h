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

// How a failure is shown. Unless the text carries a label of its own, the
// line names the step, so that an administrator reading it knows what failed
// as well as why.
enum class ErrorLine {
    Toolkit,   // "ERROR: <code> <step>: <text>": the toolkit's code and text
    Labelled,  // "ERROR: <code> <text>": the text begins with its own label ("UPDATE VIEW: ...")
    System,    // "ERROR: <step>: <text>": a Windows error, whose text carries its code
    Gate,      // "ERROR: <text>": a gate's own message, which says it all
};

struct UpgradeStep {
    const char* name;  // what the step does, for the reader of the table
    bool (*run)(RunContext& run, const char* argument);
    const char* argument;  // a file or directory name for steps that work on one; may be null
    OnFailure onFailure;
    ErrorLine errorLine;
};

enum class StepsResult { Done, DoneWithErrors, Stopped };

// Runs the steps in order until one whose failure stops the run fails. A
// failed step whose failure lets the run go on is noted in
// run.failedSteps, for the list that closes the run.
StepsResult RunSteps(RunContext& run, const UpgradeStep* steps, size_t count);
template <size_t N>
StepsResult RunSteps(RunContext& run, const UpgradeStep (&steps)[N]) {
    return RunSteps(run, steps, N);
}

// Prints the toolkit's last error in the form the step's row gives.
void ReportStepFailure(const UpgradeStep& step);
