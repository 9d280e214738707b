// The native character set selection, against the fake host, with the menu
// answers fed through standard input.
#include "native_charset.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "lexicon/lexicon_test_support.h"
#include "zelkit.h"

namespace lexicon_test {
namespace {

using Calls = std::vector<std::string>;

const std::string kWarning =
    "\nWarning: There is no native character set in the system!\n"
    "\nIf you set the native character set for system, it would"
    "\nconvert text automatically from this set to the client's"
    "\nlocal character set. And if you don't set, you could not"
    "\ncreate the database with UTF8 character set.\n\a\a";
const std::string kMenu =
    "\nPlease select the character set for ZEL Server:"
    "\n0: don't set the native charset."
    "\n1: set GB18030 as the native charset."
    "\n2: set UTF8 as the native charset."
    "\n3: set BIG5 as the native charset."
    "\nYou select: ";

class NativeCharset : public LexiconStepTest {
protected:
    std::string Select(const char* input = nullptr) {
        if (input != nullptr) {
            const std::filesystem::path answers = Package() / "answers.txt";
            zel::testing::WriteFileText(answers, input);
            EXPECT_NE(std::freopen(answers.string().c_str(), "r", stdin), nullptr);
        }
        CaptureOutput();
        selected_ = SelectNativeCharset(run_);
        return CapturedOutput();
    }
    bool selected_ = false;
    bool Failed() const { return !selected_; }
};

TEST_F(NativeCharset, HomeWithNativeCharsetIsLeftSilently) {
    fake::State().nativeCharset = Z_CHARSET_BIG5;
    SetArguments({"CS:1"});
    EXPECT_EQ(Select(), "");
    EXPECT_TRUE(fake::State().calls.empty());
    EXPECT_EQ(outcome_.nativeCharsetChosen, 0);
}

TEST_F(NativeCharset, CsTwoSetsUtf8WhenEveryDatabaseIsEnglish) {
    fake::Add(Lexicon("STOP_ENGLISH", DB_KIND_STOP_LEXICON, CHARSET_CODE_NONE));
    SetArguments({"CS:2"});
    EXPECT_EQ(Select(), kWarning);
    EXPECT_EQ(fake::CallsOf("SetSystemCharset"), (Calls{"SetSystemCharset(3)"}));
    EXPECT_EQ(outcome_.nativeCharsetChosen, Z_CHARSET_UTF8);
    EXPECT_EQ(env_.objectKind, OBJECT_DATABASE);
}

TEST_F(NativeCharset, ConflictingDatabaseCancelsTheSettingButNotTheChoice) {
    fake::Add(Lexicon("SEGMENT_GB", DB_KIND_SEGMENT_LEXICON, CHARSET_CODE_GB18030));
    fake::Add(Lexicon("BOOKS_GB", DB_KIND_SEGMENT_LEXICON, CHARSET_CODE_GB18030));
    SetArguments({"CS:3"});
    EXPECT_EQ(Select(), kWarning +
                            "\nThe native charset defined is incompatible with the language"
                            "\nof SYSTEM.SEGMENT_GB, and the setting is ignored!\n\a\a");
    EXPECT_TRUE(fake::CallsOf("SetSystemCharset").empty());
    EXPECT_EQ(outcome_.nativeCharsetChosen, Z_CHARSET_BIG5);
}

TEST_F(NativeCharset, FailedDatabaseListingSetsNothingAndFails) {
    // A failed listing is not an empty dictionary: the setting could not be
    // checked, and a native character set cannot be taken back. The run
    // stops, so that a rerun can do what was asked.
    fake::Add(Lexicon("SEGMENT_GB", DB_KIND_SEGMENT_LEXICON, CHARSET_CODE_GB18030));
    fake::State().failing = "GetDatabaseInfo";
    SetArguments({"CS:3"});
    EXPECT_EQ(Select(), kWarning);
    EXPECT_TRUE(Failed());
    EXPECT_TRUE(fake::CallsOf("SetSystemCharset").empty());
    EXPECT_EQ(outcome_.nativeCharsetChosen, Z_CHARSET_BIG5);
}

TEST_F(NativeCharset, CsValuesOtherThanOneToThreeSetNothingAndAskNothing) {
    for (const char* value : {"CS:0", "CS:4", "CS:1 ", "CS:"}) {
        SetArguments({value});
        EXPECT_EQ(Select(), kWarning) << value;
    }
    EXPECT_TRUE(fake::State().calls.empty());
    EXPECT_EQ(outcome_.nativeCharsetChosen, 0);
}

TEST_F(NativeCharset, InvalidMenuAnswerShowsTheMenuAgain) {
    EXPECT_EQ(Select("5\n1\n"), kWarning + kMenu + kMenu);
    EXPECT_EQ(fake::CallsOf("SetSystemCharset"), (Calls{"SetSystemCharset(1)"}));
    EXPECT_FALSE(Failed());
}

TEST_F(NativeCharset, MenuAnswerZeroSetsNothing) {
    EXPECT_EQ(Select("0\n"), kWarning + kMenu);
    EXPECT_TRUE(fake::State().calls.empty());
    EXPECT_EQ(outcome_.nativeCharsetChosen, 0);
}

TEST_F(NativeCharset, FailedQueryAsksNothingAndSetsNothing) {
    // Read as "none", the failure would offer to replace the home's charset.
    fake::State().nativeCharset = Z_CHARSET_BIG5;
    fake::State().failing = "SetSystemCharset(0)";
    SetArguments({"CS:1"});
    EXPECT_EQ(Select(), "");
    EXPECT_TRUE(Failed());
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_TRUE(fake::State().calls.empty());
    EXPECT_EQ(fake::State().nativeCharset, Z_CHARSET_BIG5);
}

TEST_F(NativeCharset, EndOfInputAtTheMenuFails) {
    EXPECT_EQ(Select("7\n"), kWarning + kMenu + kMenu);
    EXPECT_TRUE(Failed());
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_END_OF_INPUT);
    EXPECT_TRUE(fake::State().calls.empty());
}

// Asked before the first change, the question is answered once; the
// dictionary phase then sets what was chosen without showing the warning
// again. The home is only read meanwhile.
TEST_F(NativeCharset, AnsweredBeforeChangesIsNotAskedAgain) {
    const std::filesystem::path answers = Package() / "answers.txt";
    zel::testing::WriteFileText(answers, "9\n1\n");
    ASSERT_NE(std::freopen(answers.string().c_str(), "r", stdin), nullptr);
    SetArguments({});
    CaptureOutput();
    EXPECT_TRUE(AskNativeCharsetBeforeChanges(run_));
    EXPECT_EQ(CapturedOutput(), kWarning + kMenu + kMenu);
    EXPECT_EQ(fake::State().calls, (Calls{"ShellOpen", "ShellClose"}));
    EXPECT_TRUE(run_.choices.nativeCharsetAnswered);

    EXPECT_EQ(Select(), "");
    EXPECT_TRUE(selected_);
    EXPECT_EQ(fake::CallsOf("SetSystemCharset"), (Calls{"SetSystemCharset(1)"}));
}

TEST_F(NativeCharset, BeforeChangesEndOfInputFailsAndAHomeWithOneIsNotAsked) {
    const std::filesystem::path answers = Package() / "answers.txt";
    zel::testing::WriteFileText(answers, "");
    ASSERT_NE(std::freopen(answers.string().c_str(), "r", stdin), nullptr);
    SetArguments({});
    CaptureOutput();
    EXPECT_FALSE(AskNativeCharsetBeforeChanges(run_));
    EXPECT_EQ(CapturedOutput(), kWarning + kMenu);
    EXPECT_TRUE(fake::CallsOf("SetSystemCharset").empty());

    fake::State().nativeCharset = Z_CHARSET_BIG5;
    run_.nativeCharsetWarned = false;
    CaptureOutput();
    EXPECT_TRUE(AskNativeCharsetBeforeChanges(run_));
    EXPECT_EQ(CapturedOutput(), "");
}

}  // namespace
}  // namespace lexicon_test
