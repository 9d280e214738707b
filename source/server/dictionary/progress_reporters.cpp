#include "progress_reporters.h"

#include <cstdio>

namespace {

// The kernel passes names as pointer-sized values; a null one prints empty.
const char* TextOf(intptr_t value) {
    const char* text = reinterpret_cast<const char*>(value);
    return text != nullptr ? text : "";
}

}  // namespace

// The lines that begin with "\r" overwrite one another, so each report is
// flushed at once to keep the console current while the kernel works.

void OptimizeProgress(int32_t stage, intptr_t value) {
    long long percent = static_cast<long long>(value);
    if (stage < 0) {
        std::printf("\tOptimizing column (%s)\n", TextOf(value));
    } else if (stage == 0) {
        if (value == 100) {
            std::printf("\r\tOptimizing data ... 100%%\n");
        } else {
            std::printf("\r\tOptimizing data ... %lld%% ", percent);
        }
    } else {
        std::printf("\r\tOptimizing index ");
        if (value == 100) {
            std::printf("(%lld) ... 100%%\n", static_cast<long long>(stage));
        } else {
            std::printf("(%lld) ... %lld%% ", static_cast<long long>(stage), percent);
        }
    }
    std::fflush(stdout);
}

void LoadProgress(int32_t count, intptr_t value) {
    if (count < 0) {
        std::printf("\nLoading file: %s!\n", TextOf(value));
    } else if (value == 0) {
        std::printf("\r\tLoaded records: %lld!\n", static_cast<long long>(count));
    } else {
        std::printf("\r\tCommitted: %lld%% ", static_cast<long long>(value));
    }
    std::fflush(stdout);
}

void LexiconProgress(int32_t stage, int64_t percent) {
    if (stage < 0) return;
    if (percent == 100) {
        std::printf("\r\t\t\t\t\r");
    } else {
        std::printf("\r\tProcessed: %lld%% ", static_cast<long long>(percent));
    }
    std::fflush(stdout);
}
