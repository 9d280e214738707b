#include <filesystem>

#include "kernel_store.h"
#include "kernel_test_support.h"

namespace kernel_test {
namespace {

using DatabaseFiles = KernelTest;

TEST_F(DatabaseFiles, CreateWritesEmptyDataWithColumnsAndAssignedCharset) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(7, {"CTM", "CLT"});
    EXPECT_EQ(Read(DataPath(7)),
              "ZELDATA 1\ncharset 2\nrecords 0\nunencodable 0\ncolumn 1 CHAR CTM\ncolumn 2 CHAR CLT\n\n");
    EXPECT_EQ(ZKF_CountDBRecords(7, nullptr), 0);
}

TEST_F(DatabaseFiles, CreateMakesTheDirectoryTheRequestNames) {
    AddDatabase(8);
    std::string directory = scratch_.Path("home/userdata");
    tagZKS_CreateDB request{};
    request.databaseId = 8;
    request.directory = directory.data();
    ASSERT_EQ(ZKF_CreateDB(&request), 1) << LastError();
    EXPECT_TRUE(std::filesystem::exists(scratch_.Root() / "home" / "userdata" / "DB8.dat"));
}

TEST_F(DatabaseFiles, CreateWithColumnsAnnouncedButMissingFailsAndWritesNothing) {
    AddDatabase(9);
    std::string directory = DictDir();
    tagZKS_CreateDB request{};
    request.databaseId = 9;
    request.directory = directory.data();
    request.columnCount = 2;
    EXPECT_EQ(ZKF_CreateDB(&request), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_BAD_ARGUMENT);
    EXPECT_NE(LastError().find("ZKF_CreateDB"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DataPath(9)));
}

TEST_F(DatabaseFiles, CountIsZeroWithoutDataAndFailsForUnknownDatabase) {
    AddDatabase(10);
    EXPECT_EQ(ZKF_CountDBRecords(10, nullptr), 0);
    EXPECT_LT(ZKF_CountDBRecords(99, nullptr), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_NE(LastError().find("ZKF_CountDBRecords: database 99"), std::string::npos);
}

TEST_F(DatabaseFiles, DeleteRecordsEmptiesDataKeepsColumnsAndEmptiesIndex) {
    AddDatabase(11);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 11, 25, true));
    tagZKS_DeleteDBRec request{};
    request.databaseId = 11;
    EXPECT_EQ(ZKF_DeleteDBRecords(&request, 1, 1, nullptr), 25);
    EXPECT_EQ(ZKF_CountDBRecords(11, nullptr), 0);
    EXPECT_TRUE(RecordLines(11).empty());
    EXPECT_EQ(Read(IndexPath(11)), "ZELINDEX 1\nrecords 0\n\n");
}

TEST_F(DatabaseFiles, RemoveDeletesDataAndIndex) {
    AddDatabase(12);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 12, 3, true));
    EXPECT_EQ(ZKF_RemoveDB(12), 1) << LastError();
    EXPECT_FALSE(std::filesystem::exists(DataPath(12)));
    EXPECT_FALSE(std::filesystem::exists(IndexPath(12)));
    // Nothing left to remove is still a removed database.
    EXPECT_EQ(ZKF_RemoveDB(12), 1);
}

TEST_F(DatabaseFiles, RemoveIndicesLeavesTheRecords) {
    AddDatabase(13);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 13, 4, true));
    tagZKS_RemoveDBIndex request{};
    request.databaseId = 13;
    EXPECT_EQ(ZKF_RemoveDBIndices(&request), 1) << LastError();
    zel::kernel::DataSummary summary = zel::kernel::DescribeData(DictDir(), 13);
    EXPECT_TRUE(summary.exists);
    EXPECT_EQ(summary.records, 4u);
    EXPECT_FALSE(summary.indexed);
    EXPECT_EQ(ZKF_RemoveDBIndices(&request), 1);
}

TEST_F(DatabaseFiles, RemoveIndicesOfUnknownDatabaseFails) {
    tagZKS_RemoveDBIndex request{};
    request.databaseId = 404;
    EXPECT_EQ(ZKF_RemoveDBIndices(&request), 0);
    EXPECT_NE(LastError().find("ZKF_RemoveDBIndices"), std::string::npos);
}

TEST_F(DatabaseFiles, OperationsFailWhenNoDictionaryIsOpen) {
    AddDatabase(14);
    Home().clear();
    EXPECT_LT(ZKF_CountDBRecords(14, nullptr), 0);
    EXPECT_NE(LastError().find("no data dictionary is open"), std::string::npos);
}

TEST_F(DatabaseFiles, SampleDataIsDescribedAndReplacedWhole) {
    EXPECT_FALSE(zel::kernel::DescribeData(DictDir(), 20).exists);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 20, 1000, true));
    zel::kernel::DataSummary summary = zel::kernel::DescribeData(DictDir(), 20);
    EXPECT_TRUE(summary.exists);
    EXPECT_EQ(summary.records, 1000u);
    EXPECT_TRUE(summary.indexed);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 20, 2, false));
    summary = zel::kernel::DescribeData(DictDir(), 20);
    EXPECT_EQ(summary.records, 2u);
    EXPECT_FALSE(summary.indexed);
    EXPECT_FALSE(std::filesystem::exists(DataPath(20) + ".new"));
}

}  // namespace
}  // namespace kernel_test
