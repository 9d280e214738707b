#include "progress_reporters.h"

#include "console.h"

namespace {

// The kernel passes names as pointer-sized values; a null one prints empty.
const char* TextOf(intptr_t value) {
    const char* text = reinterpret_cast<const char*>(value);
    return text != nullptr ? text : "";
}

}  // namespace

// The lines that begin with "\r" overwrite one another; the console shows
// each report at once, to stay current while the kernel works.

void OptimizeProgress(int32_t stage, intptr_t value) {
    long long percent = static_cast<long long>(value);
    if (stage < 0) {
        ConsolePrint("\tOptimizing column (%s)\n", TextOf(value));
    } else if (stage == 0) {
        if (value == 100) {
            ConsoleProgress("\r\tOptimizing data ... 100%%\n");
        } else {
            ConsoleProgress("\r\tOptimizing data ... %lld%% ", percent);
        }
    } else {
        if (value == 100) {
            ConsoleProgress("\r\tOptimizing index (%lld) ... 100%%\n", static_cast<long long>(stage));
        } else {
            ConsoleProgress("\r\tOptimizing index (%lld) ... %lld%% ", static_cast<long long>(stage), percent);
        }
    }
}

void LoadProgress(int32_t count, intptr_t value) {
    if (count < 0) {
        ConsolePrint("\nLoading file: %s!\n", TextOf(value));
    } else if (value == 0) {
        ConsoleProgress("\r\tLoaded records: %lld!\n", static_cast<long long>(count));
    } else {
        ConsoleProgress("\r\tCommitted: %lld%% ", static_cast<long long>(value));
    }
}

void LexiconProgress(int32_t stage, int64_t percent) {
    if (stage < 0) return;
    if (percent == 100) {
        ConsoleProgress("\r\t\t\t\t\r");
    } else {
        ConsoleProgress("\r\tProcessed: %lld%% ", static_cast<long long>(percent));
    }
}
