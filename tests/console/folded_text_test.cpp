#include "folded_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The plain form of texts written one after another; a message ends the
// progress line before it, as ConsolePrint does.
struct Written {
    std::string text;
    bool message = true;
};

std::string Folded(const std::vector<Written>& writes) {
    FoldedText folded;
    std::string plain;
    for (const Written& write : writes) {
        if (write.message) folded.EndProgress(plain);
        folded.Add(write.text, plain);
    }
    folded.EndProgress(plain);
    return plain;
}

TEST(FoldedText, ProgressLineAppearsOnceInItsLastState) {
    EXPECT_EQ(Folded({{"Creating new system THESAURUS_GB...\n"},
                      {"\r\tCommitted: 10% ", false},
                      {"\r\tCommitted: 90% ", false},
                      {"\r\tLoaded records: 800!\n", false},
                      {"\r\tOptimizing data ... 40% ", false},
                      {"\r\tOptimizing data ... 100%\n", false}}),
              "Creating new system THESAURUS_GB...\n\tLoaded records: 800!\n\tOptimizing data ... 100%\n");
}

TEST(FoldedText, TextGluedToAProgressLineStartsALineOfItsOwn) {
    EXPECT_EQ(
        Folded(
            {{"\r\tProcessed: 50% ", false}, {"\r\tProcessed: 90% ", false}, {"Creating new system SEGMENT_GB...\n"}}),
        "\tProcessed: 90%\nCreating new system SEGMENT_GB...\n");
}

// A line blanked at its end keeps the state shown before the blanks.
TEST(FoldedText, BlankedLineKeepsItsLastWords) {
    EXPECT_EQ(Folded({{"\r\tProcessed: 99% ", false}, {"\r\t\t\t\t\r", false}, {"Creating new system STOP_GB...\n"}}),
              "\tProcessed: 99%\nCreating new system STOP_GB...\n");
}

TEST(FoldedText, EndedProgressLinesAreListedAndABlankOneLeavesNothing) {
    FoldedText folded;
    std::string plain;
    folded.Add("\nNow, Copying the system files...\n", plain);
    for (const char* state : {"\rCopying: zelserver.exe    ", "\rCopying: readme.txt       ", "\r             "}) {
        folded.EndProgress(plain);
        folded.Add(state, plain);
    }
    folded.EndProgress(plain);
    EXPECT_EQ(plain, "\nNow, Copying the system files...\nCopying: zelserver.exe\nCopying: readme.txt\n");
}

TEST(FoldedText, BellsGoAndTextBeforeACarriageReturnStays) {
    EXPECT_EQ(Folded({{"\nPlease rebuild these indices manually!!!\n\a\a"}, {"You select: "}, {"\rDone\n", false}}),
              "\nPlease rebuild these indices manually!!!\nYou select: \nDone\n");
}

}  // namespace
