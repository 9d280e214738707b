// Words of a Windows command line must reach the started program unchanged:
// preview passes the home's path and the upgrade's arguments this way.
#include <gtest/gtest.h>

#include "process/windows_command_line.h"

namespace {

using zel::process::QuoteCommandWord;

TEST(CommandWord, PlainWordsAndPathsStayAsTheyAre) {
    EXPECT_EQ(QuoteCommandWord("NEW:1"), "NEW:1");
    EXPECT_EQ(QuoteCommandWord("C:\\zel\\home\\"), "C:\\zel\\home\\");
}

TEST(CommandWord, EmptyWordAndBlanksAreQuoted) {
    EXPECT_EQ(QuoteCommandWord(""), "\"\"");
    EXPECT_EQ(QuoteCommandWord("DIR:C:\\Program Files\\zel"), "\"DIR:C:\\Program Files\\zel\"");
}

TEST(CommandWord, BackslashesBeforeAQuoteOrTheClosingQuoteAreDoubled) {
    // A trailing backslash would otherwise escape the closing quote.
    EXPECT_EQ(QuoteCommandWord("C:\\My Home\\"), "\"C:\\My Home\\\\\"");
    EXPECT_EQ(QuoteCommandWord("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(QuoteCommandWord("a\\\"b"), "\"a\\\\\\\"b\"");
    // Backslashes not before a quote are taken literally.
    EXPECT_EQ(QuoteCommandWord("a\\b c"), "\"a\\b c\"");
}

}  // namespace
