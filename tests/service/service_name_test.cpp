#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "service/service_test_support.h"

namespace {

class ServiceName : public ServiceTest {};

TEST_F(ServiceName, WithoutRecordTheNameIsTheDefault) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_STREQ(ReadServiceName(), "ZEL Server");
    EXPECT_EQ(GetLastError(), 0u);
}

TEST_F(ServiceName, RecordGivesTheNameAndIsReadOnce) {
    WriteWholeFile(serviceInf_, "ZEL Server 2");
    EXPECT_STREQ(ReadServiceName(), "ZEL Server 2");
    WriteWholeFile(serviceInf_, "Changed");
    EXPECT_STREQ(ReadServiceName(), "ZEL Server 2");
}

TEST_F(ServiceName, LongRecordGivesItsFirst63Bytes) {
    const std::string longName(100, 'n');
    WriteWholeFile(serviceInf_, longName);
    EXPECT_EQ(std::string(ReadServiceName()), longName.substr(0, 63));
}

TEST_F(ServiceName, NewNameIsWrittenAsPlainBytes) {
    WriteServiceName("ZEL Other");
    EXPECT_EQ(ReadWholeFile(serviceInf_), "ZEL Other");
    EXPECT_STREQ(ReadServiceName(), "ZEL Other");
}

TEST_F(ServiceName, SameNameDeletesTheRecord) {
    WriteServiceName("ZEL Other");
    ASSERT_TRUE(std::filesystem::exists(serviceInf_));
    WriteServiceName("ZEL Other");
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
}

TEST_F(ServiceName, NoNameDeletesTheRecord) {
    WriteWholeFile(serviceInf_, "ZEL Other");
    WriteServiceName(nullptr);
    EXPECT_FALSE(std::filesystem::exists(serviceInf_));
}

TEST_F(ServiceName, RecordLiesInTheHomesSystemDirectoryNeverBesideTheProgram) {
    EXPECT_EQ(serviceInf_.parent_path().filename(), "system");
    char program[Z_MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof(program)), 0u);
    const std::filesystem::path besideProgram =
        std::filesystem::path(program).parent_path().parent_path() / "system" / "SERVICE.INF";
    EXPECT_NE(serviceInf_, besideProgram.lexically_normal());
}

}  // namespace
