#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"

namespace {

// Keeps the words alive while FindArgument reads them.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> words) : words_(std::move(words)) {
        words_.insert(words_.begin(), "upgrade");
        for (std::string& word : words_) pointers_.push_back(word.data());
        StoreArguments(static_cast<int>(pointers_.size()), pointers_.data());
    }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

std::string Value(const char* key, int size = 260) {
    std::vector<char> buffer(static_cast<size_t>(size), 'x');
    if (!FindArgument(key, buffer.data(), size)) return "<absent>";
    return buffer.data();
}

TEST(FindArgument, SwitchMatchesInAnyCaseButOnlyAsTheWholeWord) {
    Arguments args({"-ver"});
    EXPECT_EQ(FindArgument("-VER", nullptr, 0), 1);
    Arguments longer({"-version"});
    EXPECT_EQ(FindArgument("-VER", nullptr, 0), 0);
    Arguments quoted({"\"-Ver\""});
    EXPECT_EQ(FindArgument("-VER", nullptr, 0), 1);
}

TEST(FindArgument, ValueKeyMatchesInAnyCaseAndKeepsTheValuesCase) {
    Arguments args({"dir:c:\\Zel"});
    EXPECT_EQ(Value("DIR:"), "c:\\Zel");
}

TEST(FindArgument, QuotedWordGivesTheValueWithoutQuotes) {
    Arguments args({"\"DIR:c:\\x\""});
    EXPECT_EQ(Value("DIR:"), "c:\\x");
}

TEST(FindArgument, KeyWithNothingAfterItGivesAnEmptyValue) {
    Arguments args({"DIR:"});
    EXPECT_EQ(Value("DIR:"), "");
}

TEST(FindArgument, LongValueIsCutToTheBufferLessOne) {
    Arguments args({"OLD:ABCDEFGH"});
    EXPECT_EQ(Value("OLD:", 5), "ABCD");
}

TEST(FindArgument, FirstOfTwoWordsWithTheSameKeyWins) {
    Arguments args({"NEW:1", "NEW:2"});
    EXPECT_EQ(Value("NEW:"), "1");
}

TEST(FindArgument, MissingKeyLeavesTheBufferUntouched) {
    Arguments args({"DIC:RIX"});
    char buffer[8] = "keep";
    EXPECT_EQ(FindArgument("NEW:", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "keep");
}

}  // namespace
