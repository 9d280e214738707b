#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "service/service_test_support.h"
#include "service_migration.h"
#include "support/registered_services.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using zel::testing::QuotedCommandLine;

const char* const kOld = "ZEL40SERVICE";
const char* const kNew = "ZEL Server";

class ServiceMigration : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        Track(kOld);
        Track(kNew);
        binDir_ = (scratch_ / "home" / "bin").string();
        systemDir_ = (scratch_ / "home" / "system").string() + Z_PATH_SEPARATOR_TEXT;
        std::filesystem::create_directories(binDir_);
        std::filesystem::create_directories(systemDir_);
        // SERVICE.INF is the home's.
        SetServiceRecordDirectory(systemDir_.c_str());
        serviceInf_ = std::filesystem::path(systemDir_) / "SERVICE.INF";
    }

    std::string InBin(const char* file) { return binDir_ + Z_PATH_SEPARATOR_TEXT + file; }

    // 1 removed, 0 nothing to remove, -1 failed; the output ends with the
    // line the driver prints for a failure, from the toolkit's last error.
    int RemoveOld(std::string* output) {
        CaptureStdout();
        bool removed = false;
        const bool ok = RemoveOldService(binDir_.c_str(), systemDir_.c_str(), &removed);
        *output = GetCapturedStdout();
        if (!ok) *output += DriverLine();
        return ok ? (removed ? 1 : 0) : -1;
    }
    int InstallNew(const std::string& dir, std::string* output) {
        CaptureStdout();
        const bool ok = InstallNewService(dir.c_str(), systemDir_.c_str());
        *output = GetCapturedStdout();
        if (!ok) *output += DriverLine();
        return ok ? 1 : 0;
    }
    static std::string DriverLine() { return std::string("\nERROR: ") + Z_GetLastErrorPrompt(nullptr, 0) + "\n\n"; }

    std::string binDir_;
    std::string systemDir_;
};

TEST_F(ServiceMigration, NoOldServiceIsNothingToRemove) {
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 0);
    EXPECT_EQ(output, "");
}

TEST_F(ServiceMigration, OldServiceOfThisHomeIsRemoved) {
    ASSERT_TRUE(Register(kOld, "ZEL4.0", QuotedCommandLine(InBin("z40service.exe"), "-resident -p:7000")));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 1);
    EXPECT_EQ(output, "\nNow, Removing the old service...\n");
    EXPECT_FALSE(Exists(kOld));
}

TEST_F(ServiceMigration, UnquotedProgramWithArgumentsIsComparedWithoutThem) {
    ASSERT_TRUE(Register(kOld, "ZEL4.0", InBin("z40service.exe") + " -resident"));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 1);
    EXPECT_FALSE(Exists(kOld));
}

// Registered without quotes under a folder with blanks, as many an old
// installation in C:\Program Files is: the service manager tries the text
// up to each blank in turn and starts the first file it names.
class UnquotedServiceMigration : public ServiceMigration {
protected:
    void SetUp() override {
        ServiceMigration::SetUp();
        binDir_ = (scratch_ / "ZEL Home" / "bin").string();
        std::filesystem::create_directories(binDir_);
        commandLine_ = InBin("z40service.exe") + " -resident -p:7000";
    }
    std::string commandLine_;
};

TEST_F(UnquotedServiceMigration, ProgramUnderAFolderWithBlanksIsFound) {
    WriteWholeFile(InBin("z40service.exe"), "the old service program");
    ASSERT_TRUE(Register(kOld, "ZEL4.0", commandLine_));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 1);
    EXPECT_EQ(output, "\nNow, Removing the old service...\n");
    EXPECT_FALSE(Exists(kOld));
}

TEST_F(UnquotedServiceMigration, FileNamedBeforeTheProgramIsWhatTheServiceStarts) {
    WriteWholeFile(InBin("z40service.exe"), "the old service program");
    // "<scratch>/ZEL" names no file, but with ".exe" added it does: the
    // service manager would start that program, which is not this home's.
    WriteWholeFile(scratch_ / "ZEL.exe", "another program");
    ASSERT_TRUE(Register(kOld, "ZEL4.0", commandLine_));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 0);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(Exists(kOld));
}

TEST_F(UnquotedServiceMigration, CommandLineNamingNoFileEndsAtTheFirstBlank) {
    ASSERT_TRUE(Register(kOld, "ZEL4.0", commandLine_));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 0);
    EXPECT_TRUE(Exists(kOld));
}

TEST_F(ServiceMigration, ServiceWrittenByHandIsFound) {
    SKIP_WITHOUT_SERVICE_FILES();
    WriteWholeFile(scratch_ / "services" / "zel40.service",
                   "Name=ZEL40SERVICE\nDisplayName=ZEL4.0\nBinaryPath=\"" + InBin("z40service.exe") +
                       "\" -resident\nStartType=2\nDependencies=tcpip\nState=4\nStopPolls=2\n");
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 1);
    EXPECT_FALSE(std::filesystem::exists(scratch_ / "services" / "zel40.service"));
}

TEST_F(ServiceMigration, OtherDisplayNameIsLeftAlone) {
    for (const char* display : {"ZEL4.0 ", "zel4.0", "ZEL4.02"}) {
        ASSERT_TRUE(Register(kOld, display, QuotedCommandLine(InBin("z40service.exe"), "-resident")));
        std::string output;
        EXPECT_EQ(RemoveOld(&output), 0) << display;
        EXPECT_TRUE(Exists(kOld));
        ASSERT_EQ(RemoveService(kOld), 1);
    }
}

TEST_F(ServiceMigration, ProgramOutsideThisHomeIsLeftAlone) {
    const std::string elsewhere = (scratch_ / "other" / "bin" / "z40service.exe").string();
    ASSERT_TRUE(Register(kOld, "ZEL4.0", QuotedCommandLine(elsewhere, "-resident")));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 0);
    EXPECT_TRUE(Exists(kOld));
}

TEST_F(ServiceMigration, ConfigurationOver4096BytesIsNoOldService) {
    const std::string program =
        QuotedCommandLine(InBin("z40service.exe"), std::string("-resident -p:").append(4200, 'p'));
    ASSERT_TRUE(Register(kOld, "ZEL4.0", program));
    std::string output;
    EXPECT_EQ(RemoveOld(&output), 0);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(Exists(kOld));
}

TEST_F(ServiceMigration, FailingRemovalIsPrintedAndStopsTheRun) {
    ASSERT_TRUE(Register(kOld, "ZEL4.0", QuotedCommandLine(InBin("z40service.exe"), "-resident")));
    SetFault("RemoveService");
    std::string output;
    EXPECT_EQ(RemoveOld(&output), -1);
    SetFault("");
    const std::string start = "\nNow, Removing the old service...\n\nERROR: ";
    const std::string end = " (5)\n\n";
    ASSERT_GT(output.size(), start.size() + end.size());
    EXPECT_EQ(output.substr(0, start.size()), start);
    EXPECT_EQ(output.substr(output.size() - end.size()), end);
    EXPECT_TRUE(Exists(kOld));
}

TEST_F(ServiceMigration, RefusedStopOfTheOldServiceIsPrinted) {
    SKIP_WITHOUT_SERVICE_FILES();
    ASSERT_TRUE(Register(kOld, "ZEL4.0", QuotedCommandLine(InBin("z40service.exe"), "-resident")));
    AppendToServiceFile(kOld, "State=4\nControlError=1061\n");
    std::string output;
    EXPECT_EQ(RemoveOld(&output), -1);
    EXPECT_EQ(output,
              "\nNow, Removing the old service...\n"
              "\nERROR: The service cannot accept control messages at this time. (1061)\n\n");
}

TEST_F(ServiceMigration, FailingQueryIsPrinted) {
    SetFault("QueryServiceConfiguration");
    std::string output;
    EXPECT_EQ(RemoveOld(&output), -1);
    SetFault("");
    EXPECT_EQ(output.substr(0, 8), "\nERROR: ");
    EXPECT_EQ(output.substr(output.size() - 6), " (5)\n\n");
}

TEST_F(ServiceMigration, NewServiceIsZelServerWithQuotedProgram) {
    for (const std::string& dir : {binDir_, binDir_ + Z_PATH_SEPARATOR_TEXT}) {
        std::string output;
        EXPECT_EQ(InstallNew(dir, &output), 1);
        EXPECT_EQ(output, "\nNow, Installing the new service...\n");
        ServiceSettings settings;
        ASSERT_TRUE(Settings(kNew, &settings));
        EXPECT_EQ(settings.binaryPath, QuotedCommandLine(InBin("zemservice.exe"), "-resident"));
        EXPECT_EQ(settings.displayName, kNew);
        EXPECT_EQ(settings.startType, SERVICE_AUTO_START);
        ASSERT_EQ(settings.dependencies.size(), 1u);
        EXPECT_EQ(settings.dependencies[0], "tcpip");
        ASSERT_EQ(RemoveService(kNew), 1);
    }
}

TEST_F(ServiceMigration, AfterRemovalTheNewServiceGetsTheDefaultName) {
    // The old release recorded its own service name.
    WriteWholeFile(serviceInf_, kOld);
    ASSERT_TRUE(Register(kOld, "ZEL4.0", QuotedCommandLine(InBin("z40service.exe"), "-resident")));
    std::string output;
    ASSERT_EQ(RemoveOld(&output), 1);
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));

    EXPECT_EQ(InstallNew(binDir_, &output), 1);
    EXPECT_TRUE(Exists(kNew));
    EXPECT_FALSE(Exists(kOld));
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
}

TEST_F(ServiceMigration, FailedInstallationIsPrinted) {
    ASSERT_TRUE(Register(kNew, kNew, "elsewhere"));
    std::string output;
    EXPECT_EQ(InstallNew(binDir_, &output), 0);
    const std::string start = "\nNow, Installing the new service...\n\nERROR: ";
    const std::string end = " (1073)\n\n";
    ASSERT_GT(output.size(), start.size() + end.size());
    EXPECT_EQ(output.substr(0, start.size()), start);
    EXPECT_EQ(output.substr(output.size() - end.size()), end);
}

}  // namespace
