#include <gtest/gtest.h>

#include <string>

#include "config/config_fixture.h"
#include "log_config.h"

using config_test::Crlf;
using config_test::Exists;
using config_test::HomeLayout;
using config_test::Read;
using config_test::Write;

namespace {

class LogConfig : public ::testing::Test {
protected:
    void Installed(const std::string& text) { Write(home.System("LOG.INI"), text); }
    void Template(const std::string& text) { Write(home.Package("LOG.INI"), text); }
    int Merge() { return MergeLogConfig(home.SystemDir().c_str(), home.PackageDir().c_str()); }
    std::string Result() { return Read(home.System("LOG.INI")); }
    bool BackupExists() { return Exists(home.System("LOG.INI.BAK")); }
    bool WorkFileLeft() { return Exists(home.System("LOG.INI.NEW")); }

    HomeLayout home;
};

TEST_F(LogConfig, InstalledValueIsWrittenInTheRowLayout) {
    const std::string installed = Crlf({"LOGIN 1"});
    Installed(installed);
    Template(Crlf({"LOGIN           0", "LOGOUT          1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           1", "LOGOUT          0"}));
    EXPECT_EQ(Read(home.System("LOG.INI.BAK")), installed);
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(LogConfig, LowerCaseInstalledNameSelectsTheRow) {
    Installed(Crlf({"login 1"}));
    Template(Crlf({"LOGIN 0", "COMMAND 1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           1", "COMMAND 0"}));
}

TEST_F(LogConfig, TrailingCommentStaysAfterTheInstalledValue) {
    Installed(Crlf({"LOGIN 1", "LOGOUT 1"}));
    Template(Crlf({"LOGIN 0   # who logs in", "  LOGOUT 0", "MAX_FILESIZE 100"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           1   # who logs in", "LOGOUT          1", "MAX_FILESIZE 000"}));
}

TEST_F(LogConfig, UnknownNameHasItsDigitsZeroed) {
    Installed(Crlf({"LOGIN 1"}));
    Template(Crlf({"LOGIN 1", "NEW_COMMAND   25 # new", "   # 12"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           1", "NEW_COMMAND   00 # new", "   # 00"}));
}

TEST_F(LogConfig, NameMatchesWholeRowNamesOnly) {
    Installed(Crlf({"GET_BASE 3", "GET_BASEC 4", "GET 5"}));
    Template(Crlf({"GET_BASECOL 1", "GET_BASE 1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"GET_BASECOL 0", "GET_BASE        3"}));
}

TEST_F(LogConfig, CommentsAndOtherLinesAreCopiedUnchanged) {
    Installed(Crlf({"LOGIN 1"}));
    Template(Crlf({"# LOGIN 5", "", "just words", "LOGIN 0", "LOGOUT 1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"# LOGIN 5", "", "just words", "LOGIN           1", "LOGOUT 0"}));
}

TEST_F(LogConfig, FileStaysByteForByteWhenEverySettingIsInstalled) {
    const std::string installed = "# mine\nLOGOUT 0\nlogin    7 # on\r\nEXTRA 3\r\n";
    Installed(installed);
    Template(Crlf({"# template", "LOGIN 0", "LOGOUT 1"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(BackupExists());
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(LogConfig, LaterZeroDoesNotUndoAnEarlierValue) {
    Installed(Crlf({"LOGIN 5", "LOGIN 0", "LOGOUT 2", "LOGOUT -3"}));
    Template(Crlf({"LOGIN 0", "LOGOUT 0", "COMMAND 0"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           5", "LOGOUT          -3", "COMMAND 0"}));
}

TEST_F(LogConfig, NumberBeyondThirtyTwoBitsMakesNoSettingLine) {
    Installed(Crlf({"LOGIN 99999999999999999999", "LOGOUT 2147483648", "COMMAND 2147483647"}));
    Template(Crlf({"LOGIN 1", "LOGOUT 1", "COMMAND 1", "DAY_DIVIDE 4294967296 # huge"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN 0", "LOGOUT 0", "COMMAND         2147483647", "DAY_DIVIDE 4294967296 # huge"}));
}

TEST_F(LogConfig, SignedTemplateNumberKeepsItsSign) {
    Installed(Crlf({"LOGIN 1"}));
    Template(Crlf({"LOGIN -1 # signed", "LOGOUT -7"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), Crlf({"LOGIN           1 # signed", "LOGOUT -0"}));
}

TEST_F(LogConfig, EarlierBackupIsReplaced) {
    Write(home.System("LOG.INI.BAK"), "old backup");
    const std::string installed = Crlf({"LOGIN 1"});
    Installed(installed);
    Template(Crlf({"LOGIN 0", "LOGOUT 0"}));
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Read(home.System("LOG.INI.BAK")), installed);
}

TEST_F(LogConfig, LineTooLongForTheBufferLeavesTheFileAsItWas) {
    const std::string installed = Crlf({"LOGIN 1"});
    Installed(installed);
    Template(Crlf({"LOGOUT 0", ("# " + std::string(1100, '-')).c_str()}));
    EXPECT_EQ(Merge(), 0);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(BackupExists());
    EXPECT_FALSE(WorkFileLeft());

    Installed(Crlf({"LOGIN 1", ("# " + std::string(1100, '-')).c_str()}));
    EXPECT_EQ(Merge(), 0);
    EXPECT_FALSE(WorkFileLeft());
}

TEST_F(LogConfig, ShippedTemplateHoldsEveryRowOfTheTable) {
    // Every row of the shipped template carries an installed value of 1:
    // with all 76 names installed nothing changes.
    const std::string shipped = Read(ZEL_TEMPLATE_DIR "/LOG.INI");
    Write(home.Package("LOG.INI"), shipped);
    std::string installed;
    size_t settings = 0;
    size_t start = 0;
    while (start < shipped.size()) {
        size_t end = shipped.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        std::string line = shipped.substr(start, end - start);
        if (!line.empty() && line[0] != '#') {
            installed += line.substr(0, line.find(' ')) + " 1\r\n";
            ++settings;
        }
        start = end + 2;
    }
    EXPECT_EQ(settings, 76u);
    Installed(installed);
    ASSERT_EQ(Merge(), 1);
    EXPECT_EQ(Result(), installed);
    EXPECT_FALSE(BackupExists());
}

}  // namespace
