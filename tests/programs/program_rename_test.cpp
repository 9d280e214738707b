#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_fixture.h"
#include "program_rename.h"
#include "run_choices.h"

using config_test::ClearHome;
using config_test::Crlf;
using config_test::Exists;
using config_test::FaultScope;
using config_test::HomeLayout;
using config_test::ListFaultPoints;
using config_test::Read;
using config_test::Write;

namespace fs = std::filesystem;

namespace {

const char* const NEW_PROGRAMS[] = {"zelserver.exe",   "zelsearcher.exe", "zelmirror.exe",
                                    "zemshutdown.exe", "zemservice.exe",  "zemconsole.exe"};
const char* const OLD_PROGRAMS[] = {"z40server.exe",   "z40searcher.exe", "z40mirror.exe",
                                    "z40shutdown.exe", "z40service.exe",  "z40console.exe"};

const std::string QUESTION =
    "\nAttention: The program's names of new system are changed!\n"
    "\nOLD NAMES               NEW NAMES"
    "\nz40server.exe --------> zelserver.exe"
    "\nz40searcher.exe ------> zelsearcher.exe"
    "\nz40mirror.exe --------> zelmirror.exe"
    "\nz40shutdown.exe ------> zemshutdown.exe"
    "\nz40service.exe -------> zemservice.exe"
    "\nz40console.exe -------> zemconsole.exe"
    "\n\nDo you want to kepp to the old names? (Y/N)\a\a\a ";

// Standard input of the test program: each answer goes to a file of its own
// in one directory that lives as long as the program, because the file that
// stdin holds open cannot be removed on every platform.
class StandardInput : public ::testing::Environment {
public:
    static void Feed(const std::string& text) {
        static int count = 0;
        fs::create_directories(Dir());
        const std::string path = (Dir() / ("stdin-" + std::to_string(++count) + ".txt")).string();
        Write(path, text);
        ASSERT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
    }
    void TearDown() override {
        std::fclose(stdin);
        std::error_code ignored;
        fs::remove_all(Dir(), ignored);
    }

private:
    static fs::path Dir() { return fs::temp_directory_path() / "zel-program-rename-stdin"; }
};

[[maybe_unused]] const auto* const standardInput = ::testing::AddGlobalTestEnvironment(new StandardInput);

class ProgramRename : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : NEW_PROGRAMS) Write(home.Bin(name), std::string("new ") + name);
        for (const char* name : OLD_PROGRAMS) Write(home.Bin(name), std::string("old ") + name);
        Write(home.Bin("z40notes.txt"), "old notes");
        Arguments({});
        StandardInput::Feed("");
    }

    // The "OLD:" word of the command line, read as the driver reads it.
    void Arguments(const std::vector<std::string>& words) {
        oldNames = OldNamesChoice::Ask;
        for (const std::string& word : words) {
            if (word.rfind("OLD:", 0) == 0) oldNames = ParseOldNamesChoice(word.substr(4).c_str());
        }
    }

    int Rename(int serverProgramAbsent, std::string* output = nullptr) {
        ::testing::internal::CaptureStdout();
        int result = RenameOldPrograms(home.BinDir().c_str(), serverProgramAbsent != 0,
                                       Exists(home.Bin("z40server.exe")), oldNames, false);
        std::string printed = ::testing::internal::GetCapturedStdout();
        if (output != nullptr) *output = printed;
        return result;
    }

    bool OldNamesAreCopiesOfTheNewPrograms() {
        for (int index = 0; index < 6; ++index) {
            if (Read(home.Bin(OLD_PROGRAMS[index])) != std::string("new ") + NEW_PROGRAMS[index]) return false;
        }
        return true;
    }

    bool AnyOldNameLeft() {
        for (const char* name : OLD_PROGRAMS) {
            if (Exists(home.Bin(name))) return true;
        }
        return Exists(home.Bin("z40notes.txt"));
    }

    HomeLayout home;
    OldNamesChoice oldNames = OldNamesChoice::Ask;
};

TEST_F(ProgramRename, WithoutTheOldServerNothingHappens) {
    fs::remove(home.Bin("z40server.exe"));
    // The old program the profile names is there.
    const std::string profile = Crlf({"[AutoBatch]", "ProgramStart=z40searcher.exe"});
    Write(home.System("PROFILE.INI"), profile);
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(Read(home.System("PROFILE.INI")), profile);
    EXPECT_TRUE(Exists(home.Bin("z40searcher.exe")));
}

TEST_F(ProgramRename, ProgramLinesOfTheProfileAreRewritten) {
    Write(home.System("PROFILE.INI"),
          "; z40server = comment\r\n\r\n[AutoBatch]\r\nProgramStart=Z40Server.exe -x\r\n"
          "programstart = z40searcher\r\nProgramStart=z40other.exe 1\r\nProgramStart=zelserver.exe -y\r\n"
          "ProgramClose=z40mirror\r\nProgramClose=z40mirror.exe\r\nProgramClose\tz40shutdown.exe\r\n"
          "[AutoReboot]\r\nShutdownCall=z40mirror.exe\r\nShutdownCall=z40shutdown\r\nOther=z40server.exe\r\n"
          "ProgramStart=z40server.exe &PORT &BLOCK\n");
    Arguments({"OLD:NO"});
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(Read(home.System("PROFILE.INI")),
              Crlf({"; z40server = comment", "", "[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK",
                    "programstart=zelsearcher &PORT &BLOCK", "ProgramStart=z40other.exe &PORT &BLOCK",
                    "ProgramStart=zelserver.exe -y", "ProgramClose=zelmirror -shutdown &PORT &BLOCK",
                    "ProgramClose=zelmirror.exe -shutdown &PORT &BLOCK", "ProgramClose=zemshutdown.exe &PORT &BLOCK",
                    "[AutoReboot]", "ShutdownCall=z40mirror.exe &PORT &BLOCK", "ShutdownCall=zemshutdown &PORT &BLOCK",
                    "Other=z40server.exe", "ProgramStart=zelserver.exe &PORT &BLOCK"}));
    EXPECT_FALSE(Exists(home.System("PROFILE.NEW")));
    EXPECT_EQ(output, "");
    EXPECT_FALSE(AnyOldNameLeft());
}

TEST_F(ProgramRename, LongestLineGainsTheLaunchArgumentsUncut) {
    const std::string longLine = "ProgramStart=z40" + std::string(1023 - 16, 'q');
    Write(home.System("PROFILE.INI"), Crlf({longLine.c_str()}));
    Arguments({"OLD:N"});
    ASSERT_EQ(Rename(1), 1);
    EXPECT_EQ(Read(home.System("PROFILE.INI")), longLine + " &PORT &BLOCK\r\n");
}

TEST_F(ProgramRename, LineTooLongToReadKeepsTheProfileAsItWas) {
    const std::string profile = Crlf({"ProgramStart=z40server.exe", ("; " + std::string(1100, '-')).c_str()});
    Write(home.System("PROFILE.INI"), profile);
    Arguments({"OLD:NO"});
    std::string output;
    EXPECT_EQ(Rename(1, &output), 0);
    EXPECT_EQ(Read(home.System("PROFILE.INI")), profile);
    EXPECT_FALSE(Exists(home.System("PROFILE.NEW")));
    EXPECT_EQ(output, "");
    // The old names the profile still uses launch the new programs.
    EXPECT_TRUE(OldNamesAreCopiesOfTheNewPrograms());
}

TEST_F(ProgramRename, OldArgumentYesKeepsCopiesWithoutAsking) {
    Write(home.System("PROFILE.INI"), "");
    Arguments({"OLD:y"});
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(OldNamesAreCopiesOfTheNewPrograms());
    EXPECT_FALSE(Exists(home.Bin("z40notes.txt")));
}

TEST_F(ProgramRename, QuestionAnsweredYesKeepsCopies) {
    Write(home.System("PROFILE.INI"), "");
    StandardInput::Feed("Yes\n");
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(output, QUESTION);
    EXPECT_TRUE(OldNamesAreCopiesOfTheNewPrograms());
}

TEST_F(ProgramRename, QuestionAnsweredOtherwiseOrUnansweredDropsTheOldNames) {
    Write(home.System("PROFILE.INI"), "");
    StandardInput::Feed("yep\n");
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(output, QUESTION);
    EXPECT_FALSE(AnyOldNameLeft());

    SetUp();
    ASSERT_EQ(Rename(1), 1);  // input ends without an answer
    EXPECT_FALSE(AnyOldNameLeft());
}

TEST_F(ProgramRename, AnUnconvertedBatchFileIsKeptBeforeTheOldProgramsGo) {
    Write(home.System("PROFILE.INI"), Crlf({"[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK"}));
    Write(home.Bin("z40startup.bat"), "z40searcher.exe 1\r\n");
    Arguments({"OLD:NO"});
    std::string output;
    ASSERT_EQ(Rename(1, &output), 1);
    EXPECT_EQ(Read(home.Bin("startup-z40.bat.BAK")), "z40searcher.exe 1\r\n");
    EXPECT_NE(output.find(home.Bin("z40startup.bat") + " was not converted and is kept as " +
                          home.Bin("startup-z40.bat.BAK")),
              std::string::npos)
        << output;
    EXPECT_FALSE(AnyOldNameLeft());
}

TEST_F(ProgramRename, NewProgramsAlreadyInPlaceBringBackTheOldNamesOnly) {
    const std::string profile = Crlf({"ProgramStart=zelserver.exe &PORT &BLOCK"});
    Write(home.System("PROFILE.INI"), profile);
    std::string output;
    ASSERT_EQ(Rename(0, &output), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(Read(home.System("PROFILE.INI")), profile);
    EXPECT_TRUE(OldNamesAreCopiesOfTheNewPrograms());
    EXPECT_FALSE(Exists(home.Bin("z40notes.txt")));
}

TEST_F(ProgramRename, MissingProfileFailsWithoutQuestion) {
    std::string output;
    EXPECT_EQ(Rename(1, &output), 0);
    EXPECT_EQ(output, "");
    EXPECT_FALSE(Exists(home.System("PROFILE.NEW")));
}

TEST_F(ProgramRename, EveryFaultLeavesTheProfileWholeOrFullyRewritten) {
    const std::string profile =
        Crlf({"[AutoBatch]", "ProgramStart=z40server.exe", "ProgramClose=z40mirror", "[Network]", "ConnectCache=TRUE"});
    const std::string rewritten =
        Crlf({"[AutoBatch]", "ProgramStart=zelserver.exe &PORT &BLOCK", "ProgramClose=zelmirror -shutdown &PORT &BLOCK",
              "[Network]", "ConnectCache=TRUE"});
    Arguments({"OLD:NO"});
    auto prepare = [&] {
        ClearHome(home);
        Write(home.System("PROFILE.INI"), profile);
        Write(home.Bin("z40server.exe"), "old");
        Write(home.Bin("zelserver.exe"), "new");
    };
    prepare();
    const std::vector<std::string> points = ListFaultPoints(home, [&] { ASSERT_EQ(Rename(1), 1); });
    ASSERT_EQ(Read(home.System("PROFILE.INI")), rewritten);
    for (size_t n = 1; n <= points.size(); ++n) {
        SCOPED_TRACE("fault at " + points[n - 1] + " #" + std::to_string(n));
        prepare();
        int result;
        {
            FaultScope fault("*:" + std::to_string(n));
            result = Rename(1);
        }
        ASSERT_TRUE(Exists(home.System("PROFILE.INI")));
        const std::string content = Read(home.System("PROFILE.INI"));
        if (result == 1) {
            EXPECT_EQ(content, rewritten);
        } else {
            EXPECT_TRUE(content == profile || content == rewritten);
        }
        if (content == profile && points[n - 1] != "Z_CloneFile") {
            // A profile that still names the old server finds it: the old
            // program itself when the step failed before deleting it, else
            // the new one under the old name.
            EXPECT_TRUE(Exists(home.Bin("z40server.exe")));
        }
        if (points[n - 1] != "Z_DeleteFile") {
            EXPECT_FALSE(Exists(home.System("PROFILE.NEW")));
        }
    }
}

}  // namespace
