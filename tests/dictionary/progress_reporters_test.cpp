#include "progress_reporters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace {

std::string Printed(const std::function<void()>& report) {
    ::testing::internal::CaptureStdout();
    report();
    return ::testing::internal::GetCapturedStdout();
}

intptr_t TextValue(const char* text) { return reinterpret_cast<intptr_t>(text); }

TEST(ProgressReporters, LoadProgressNamesFileCountsRecordsOrShowsCommitted) {
    EXPECT_EQ(Printed([] { LoadProgress(-1, TextValue("thesaurus.dic")); }), "\nLoading file: thesaurus.dic!\n");
    EXPECT_EQ(Printed([] { LoadProgress(1200, 0); }), "\r\tLoaded records: 1200!\n");
    // The committed figure is the value, not the count.
    EXPECT_EQ(Printed([] { LoadProgress(5, 40); }), "\r\tCommitted: 40% ");
}

TEST(ProgressReporters, OptimizeProgressShowsColumnDataAndIndex) {
    EXPECT_EQ(Printed([] { OptimizeProgress(-3, TextValue("CTM")); }), "\tOptimizing column (CTM)\n");
    EXPECT_EQ(Printed([] { OptimizeProgress(0, 37); }), "\r\tOptimizing data ... 37% ");
    EXPECT_EQ(Printed([] { OptimizeProgress(0, 100); }), "\r\tOptimizing data ... 100%\n");
    EXPECT_EQ(Printed([] { OptimizeProgress(2, 55); }), "\r\tOptimizing index (2) ... 55% ");
    EXPECT_EQ(Printed([] { OptimizeProgress(2, 100); }), "\r\tOptimizing index (2) ... 100%\n");
}

TEST(ProgressReporters, LexiconProgressBlanksAtTheEndAndIgnoresNegativeStages) {
    EXPECT_EQ(Printed([] { LexiconProgress(1, 42); }), "\r\tProcessed: 42% ");
    EXPECT_EQ(Printed([] { LexiconProgress(1, 100); }), "\r\t\t\t\t\r");
    EXPECT_EQ(Printed([] { LexiconProgress(-1, 42); }), "");
    EXPECT_EQ(Printed([] { LexiconProgress(-1, 100); }), "");
}

TEST(ProgressReporters, LargeFiguresPrintWhole) {
    EXPECT_EQ(Printed([] { LoadProgress(2147483647, 0); }), "\r\tLoaded records: 2147483647!\n");
    EXPECT_EQ(Printed([] { LexiconProgress(0, 5000000000LL); }), "\r\tProcessed: 5000000000% ");
}

TEST(ProgressReporters, MissingNamePrintsEmpty) {
    EXPECT_EQ(Printed([] { LoadProgress(-1, 0); }), "\nLoading file: !\n");
    EXPECT_EQ(Printed([] { OptimizeProgress(-1, 0); }), "\tOptimizing column ()\n");
}

}  // namespace
