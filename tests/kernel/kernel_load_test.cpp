#include <cstring>

#include "kernel_store.h"
#include "kernel_test_support.h"

namespace kernel_test {
namespace {

using LoadRecords = KernelTest;

int64_t Load(uint32_t id, const std::string& source, tagZKS_MaintDBReport* report = nullptr) {
    tagZKS_LoadDBRec request{};
    request.databaseId = id;
    std::string path = source;
    request.sourcePath = path.data();
    request.value36 = 1;
    request.progress = RecordLoad;
    tagZKS_MaintDBReport scratch{};
    return ZKF_LoadDBRecords(&request, report ? report : &scratch, 1, 1);
}

uint64_t ReportField(const tagZKS_MaintDBReport& report, size_t offset) {
    uint64_t value = 0;
    std::memcpy(&value, report.data + offset, sizeof(value));
    return value;
}

TEST_F(LoadRecords, ReportsFileCommittedPercentagesAndCountInOrder) {
    CreateDatabase(3, {"CTM", "CLT"});
    std::string source = PackageFile("thesaurus.dic", "# main term, related term\n中国\n人民\t民众\n\nabc\n");
    EXPECT_EQ(Load(3, source), 3);
    std::vector<ProgressCall> expected = {
        {-1, 0, source}, {1, 30, ""}, {2, 60, ""}, {3, 90, ""}, {3, 100, ""}, {3, 0, ""},
    };
    EXPECT_EQ(Calls(), expected);
}

TEST_F(LoadRecords, StoresRecordsConvertedToTheAssignedCharset) {
    Z_AssignCharset(Z_CHARSET_GB18030, 1);
    CreateDatabase(3, {"CTM", "CLT"});
    ASSERT_EQ(Load(3, PackageFile("thesaurus.dic", "\xEF\xBB\xBF中国\t人民\r\n")), 1);
    EXPECT_EQ(RecordLines(3), std::vector<std::string>{"\xD6\xD0\xB9\xFA\t\xC8\xCB\xC3\xF1"});
    EXPECT_EQ(ZKF_CountDBRecords(3, nullptr), 1);
}

TEST_F(LoadRecords, UnencodableRecordsAreCountedNotFailed) {
    Z_AssignCharset(Z_CHARSET_BIG5, 1);
    CreateDatabase(4, {"STM"});
    tagZKS_MaintDBReport report{};
    // 图 is simplified and has no BIG5 code.
    EXPECT_EQ(Load(4, PackageFile("synonym.dic", "中國\n图书\n"), &report), 1);
    EXPECT_EQ(RecordLines(4), std::vector<std::string>{"\xA4\xA4\xB0\xEA"});
    EXPECT_EQ(ReportField(report, 0), 1u);
    EXPECT_EQ(ReportField(report, 8), 1u);
}

TEST_F(LoadRecords, AppendsToTheRecordsAlreadyThere) {
    CreateDatabase(5, {"ATM"});
    std::string source = PackageFile("antonym.dic", "大\n小\n");
    ASSERT_EQ(Load(5, source), 2);
    ASSERT_EQ(Load(5, source), 2);
    EXPECT_EQ(ZKF_CountDBRecords(5, nullptr), 4);
}

TEST_F(LoadRecords, MoreFieldsThanColumnsFailsNamingTheLineAndChangesNothing) {
    CreateDatabase(4, {"STM"});
    ASSERT_EQ(Load(4, PackageFile("synonym.dic", "好\n")), 1);
    std::string before = Read(DataPath(4));
    EXPECT_LT(Load(4, PackageFile("synonym2.dic", "美\n好\t佳\n")), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_BAD_ARGUMENT);
    EXPECT_NE(LastError().find("ZKF_LoadDBRecords: line 2 of"), std::string::npos) << LastError();
    EXPECT_EQ(Read(DataPath(4)), before);
}

TEST_F(LoadRecords, TextThatIsNotUtf8FailsAndChangesNothing) {
    CreateDatabase(4, {"STM"});
    std::string before = Read(DataPath(4));
    EXPECT_LT(Load(4, PackageFile("synonym.dic", "ok\n\xC4\xE3\n")), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_CHARSET);
    EXPECT_NE(LastError().find("line 2"), std::string::npos) << LastError();
    EXPECT_EQ(Read(DataPath(4)), before);
}

TEST_F(LoadRecords, EmptyMainTermFails) {
    CreateDatabase(3, {"CTM", "CLT"});
    EXPECT_LT(Load(3, PackageFile("thesaurus.dic", "\t相关\n")), 0);
    EXPECT_NE(LastError().find("no main term"), std::string::npos) << LastError();
}

TEST_F(LoadRecords, MissingSourceFileFails) {
    CreateDatabase(3);
    EXPECT_LT(Load(3, scratch_.Path("package/none.dic")), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_TRUE(Calls().empty());
}

using OptimizeDatabase = KernelTest;

int Optimize(uint32_t id) {
    tagZKS_OptimizeDB request{};
    request.databaseId = id;
    request.value4 = 1;
    request.progress = RecordOptimize;
    return ZKF_OptimizeDB(&request);
}

TEST_F(OptimizeDatabase, ReportsEachColumnThenDataUpToHundred) {
    CreateDatabase(3, {"CTM", "CLT"});
    ASSERT_EQ(Load(3, PackageFile("thesaurus.dic", "a\nb\nc\n")), 3);
    Calls().clear();
    EXPECT_EQ(Optimize(3), 1) << LastError();
    std::vector<ProgressCall> expected = {
        {-1, 0, "CTM"}, {-1, 0, "CLT"}, {0, 30, ""}, {0, 60, ""}, {0, 90, ""}, {0, 100, ""},
    };
    EXPECT_EQ(Calls(), expected);
}

TEST_F(OptimizeDatabase, ColumnUnknownToTheDictionaryIsReportedByNumber) {
    CreateDatabase(32, {"", "CLT"});
    Calls().clear();
    EXPECT_EQ(Optimize(32), 1) << LastError();
    std::vector<ProgressCall> expected = {{-1, 0, "1"}, {-1, 0, "CLT"}, {0, 100, ""}};
    EXPECT_EQ(Calls(), expected);
}

TEST_F(OptimizeDatabase, ReportsTheIndexAndBringsItUpToDate) {
    AddDatabase(30);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 30, 0, true));
    ASSERT_EQ(Load(30, PackageFile("records.txt", "one\ntwo\n")), 2);
    Calls().clear();
    EXPECT_EQ(Optimize(30), 1) << LastError();
    std::vector<ProgressCall> expected = {{0, 50, ""}, {0, 90, ""}, {0, 100, ""}, {1, 50, ""}, {1, 100, ""}};
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(Read(IndexPath(30)), "ZELINDEX 1\nrecords 2\n\n");
}

TEST_F(OptimizeDatabase, DatabaseWithoutDataFails) {
    AddDatabase(31);
    EXPECT_EQ(Optimize(31), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_NE(LastError().find("ZKF_OptimizeDB"), std::string::npos);
}

}  // namespace
}  // namespace kernel_test
