#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fault_injection.h"
#include "file_copy.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"
#include "zelkit.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

// A directory path with its separator, as the driver hands it over.
struct DirBuffer {
    explicit DirBuffer(const fs::path& directory) {
        std::string text = directory.string();
        text += Z_PATH_SEPARATOR;
        std::snprintf(path, sizeof path, "%s", text.c_str());
    }
    char path[Z_MAX_PATH];
};

class FileCopy : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironment("ZEL_SLEEP_SCALE", "0");
        fs::create_directories(bin());
        fs::create_directories(package());
        fs::create_directories(system());
    }
    fs::path bin() const { return scratch.Root() / "home" / "bin"; }
    fs::path system() const { return scratch.Root() / "home" / "system"; }
    fs::path package() const { return scratch.Root() / "package"; }

    ScratchDir scratch{"copy"};
};

TEST_F(FileCopy, ProgressLineShowsTheNamePaddedTo64Columns) {
    ::testing::internal::CaptureStdout();
    ShowCopyProgress((package() / "readme.txt").string().c_str());
    std::string expected = "Copying: readme.txt";
    expected.resize(64, ' ');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\r" + expected);
}

TEST_F(FileCopy, ProgressSkipsNamesOf48CharactersOrMore) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(ShowCopyProgress(std::string(48, 'n').c_str()), 1);
    ShowCopyProgress(std::string(47, 'n').c_str());
    std::string expected = "Copying: " + std::string(47, 'n');
    expected.resize(64, ' ');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\r" + expected);
}

TEST_F(FileCopy, ProgressWithoutAPathBlanksTheLine) {
    ::testing::internal::CaptureStdout();
    ShowCopyProgress(nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\r" + std::string(64, ' '));
}

TEST_F(FileCopy, ModeOneReplacesAnExistingTarget) {
    WriteFileText(package() / "zemdict.exe", "new");
    WriteFileText(bin() / "zemdict.exe", "old");
    DirBuffer target(bin()), source(package());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(CopySystemFile(target.path, source.path, "zemdict", ".exe", 1), 1);
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileText(bin() / "zemdict.exe"), "new");
    EXPECT_NE(shown.find("Copying: zemdict.exe"), std::string::npos);
}

TEST_F(FileCopy, ModeZeroLeavesAnExistingTargetAndShowsNothing) {
    WriteFileText(package() / "LOG.INI", "template");
    WriteFileText(bin() / "LOG.INI", "installed");
    DirBuffer target(bin()), source(package());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(CopySystemFile(target.path, source.path, "LOG.INI", "", 0), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ReadFileText(bin() / "LOG.INI"), "installed");
}

TEST_F(FileCopy, MissingSourceFailsWithTheToolkitError) {
    DirBuffer target(bin()), source(package());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(CopySystemFile(target.path, source.path, "zelapi64.dll", "", 1), 0);
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(shown.find("\nERROR: "), std::string::npos) << "the driver reports, not the step";
    EXPECT_NE(std::string(Z_GetLastErrorPrompt(nullptr, 0)).find("zelapi64.dll"), std::string::npos);
    EXPECT_FALSE(fs::exists(bin() / "zelapi64.dll"));
}

TEST_F(FileCopy, PloModuleNeedsBothTheLibraryAndItsDirectory) {
    DirBuffer target(bin()), source(package());
    WriteFileText(package() / "zemckmplo64.dll", "plo");
    EXPECT_EQ(CopyPloLibrary(target.path, source.path), 1);
    EXPECT_EQ(CopyPloFiles(target.path, source.path), 1);
    EXPECT_FALSE(fs::exists(bin() / "zemckmplo64.dll"));

    fs::remove(package() / "zemckmplo64.dll");
    WriteFileText(package() / "plo" / "a.dat", "a");
    EXPECT_EQ(CopyPloLibrary(target.path, source.path), 1);
    EXPECT_EQ(CopyPloFiles(target.path, source.path), 1);
    EXPECT_FALSE(fs::exists(scratch.Root() / "home" / "dict" / "plo"));
}

TEST_F(FileCopy, PloModuleAndItsTreeAreCopied) {
    WriteFileText(package() / "zemckmplo64.dll", "plo");
    WriteFileText(package() / "plo" / "a.dat", "a");
    WriteFileText(package() / "plo" / "sub" / "b.dat", "b");
    DirBuffer target(bin()), source(package());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(CopyPloLibrary(target.path, source.path), 1);
    EXPECT_EQ(CopyPloFiles(target.path, source.path), 1);
    const std::string shown = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFileText(bin() / "zemckmplo64.dll"), "plo");
    EXPECT_EQ(ReadFileText(scratch.Root() / "home" / "dict" / "plo" / "sub" / "b.dat"), "b");
    EXPECT_NE(shown.find("Copying: a.dat"), std::string::npos);
}

TEST_F(FileCopy, CfgMigrationKeepsAnExistingIniFile) {
    WriteFileText(system() / "LOG.CFG", "old");
    WriteFileText(system() / "LOG.INI", "new");
    DirBuffer config(system()), source(package());
    EXPECT_EQ(MigrateCfgFile(config.path, source.path, "LOG.CFG", "LOG.INI"), 1);
    EXPECT_EQ(ReadFileText(system() / "LOG.CFG"), "old");
    EXPECT_EQ(ReadFileText(system() / "LOG.INI"), "new");
}

TEST_F(FileCopy, CfgMigrationRenamesTheOldFile) {
    WriteFileText(system() / "LOG.CFG", "old");
    DirBuffer config(system()), source(package());
    EXPECT_EQ(MigrateCfgFile(config.path, source.path, "LOG.CFG", "LOG.INI"), 1);
    EXPECT_FALSE(fs::exists(system() / "LOG.CFG"));
    EXPECT_EQ(ReadFileText(system() / "LOG.INI"), "old");
}

TEST_F(FileCopy, FailedCfgRenameFailsAndKeepsTheOldFile) {
    WriteFileText(system() / "LOG.CFG", "old");
    DirBuffer config(system()), source(package());
    SetEnvironment("ZEL_FAULT", "Z_RenameFile");
    ZelResetFaultInjection();
    ::testing::internal::CaptureStdout();
    const int result = MigrateCfgFile(config.path, source.path, "LOG.CFG", "LOG.INI");
    const std::string shown = ::testing::internal::GetCapturedStdout();
    UnsetEnvironment("ZEL_FAULT");
    ZelResetFaultInjection();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_EQ(ReadFileText(system() / "LOG.CFG"), "old");
    EXPECT_FALSE(fs::exists(system() / "LOG.INI"));
}

TEST_F(FileCopy, CfgMigrationCopiesThePackagesFileWhenNeitherExists) {
    WriteFileText(package() / "LOG.INI", "template");
    DirBuffer config(system()), source(package());
    EXPECT_EQ(MigrateCfgFile(config.path, source.path, "LOG.CFG", "LOG.INI"), 1);
    EXPECT_EQ(ReadFileText(system() / "LOG.INI"), "template");
}

}  // namespace
}  // namespace zel::testing
