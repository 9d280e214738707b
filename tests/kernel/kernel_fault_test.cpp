#include <filesystem>

#include "kernel_store.h"
#include "kernel_test_support.h"

namespace kernel_test {
namespace {

using KernelFaults = KernelTest;

TEST_F(KernelFaults, InjectedCreateLexiconFailsThenSucceedsWhenTurnedOff) {
    CreateDatabase(70);
    std::string source = PackageFile("segment.dic", "one\ntwo\n");
    {
        FaultScope fault("ZKF_CreateLexicon");
        EXPECT_LT(ZKF_CreateLexicon(70, source.c_str(), 0, nullptr, 1), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
        EXPECT_NE(LastError().find("ZKF_CreateLexicon"), std::string::npos);
        EXPECT_EQ(ZKF_CountDBRecords(70, nullptr), 0);
    }
    EXPECT_EQ(ZKF_CreateLexicon(70, source.c_str(), 0, nullptr, 1), 2);
}

TEST_F(KernelFaults, SecondLoadFailsWhenSelectedByCount) {
    CreateDatabase(71, {"STM"});
    std::string source = PackageFile("synonym.dic", "a\n");
    tagZKS_LoadDBRec request{};
    request.databaseId = 71;
    request.sourcePath = source.data();
    tagZKS_MaintDBReport report{};
    FaultScope fault("ZKF_LoadDBRecords:2");
    EXPECT_EQ(ZKF_LoadDBRecords(&request, &report, 1, 1), 1);
    EXPECT_LT(ZKF_LoadDBRecords(&request, &report, 1, 1), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_EQ(ZKF_CountDBRecords(71, nullptr), 1);
}

TEST_F(KernelFaults, FailedReplaceKeepsTheOldDataAndNoFileAside) {
    CreateDatabase(72);
    std::string first = PackageFile("a.dic", "one\n");
    ASSERT_EQ(ZKF_CreateLexicon(72, first.c_str(), 0, nullptr, 1), 1);
    std::string before = Read(DataPath(72));
    std::string second = PackageFile("b.dic", "two\nthree\n");
    {
        FaultScope fault("Z_ReplaceFile");
        EXPECT_LT(ZKF_CreateLexicon(72, second.c_str(), 0, nullptr, 1), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
        EXPECT_NE(LastError().find("ZKF_CreateLexicon: cannot replace"), std::string::npos) << LastError();
    }
    EXPECT_EQ(Read(DataPath(72)), before);
    EXPECT_FALSE(std::filesystem::exists(DataPath(72) + ".new"));
}

TEST_F(KernelFaults, InjectedIndexRemovalKeepsTheIndex) {
    AddDatabase(73);
    ASSERT_TRUE(zel::kernel::CreateSampleData(DictDir(), 73, 2, true));
    tagZKS_RemoveDBIndex request{};
    request.databaseId = 73;
    FaultScope fault("ZKF_RemoveDBIndices");
    EXPECT_EQ(ZKF_RemoveDBIndices(&request), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_TRUE(zel::kernel::DescribeData(DictDir(), 73).indexed);
}

TEST_F(KernelFaults, EveryOperationHasItsFaultPoint) {
    CreateDatabase(74, {"CTM"});
    std::string source = PackageFile("a.dic", "one\n");
    tagZKS_CreateDB create{};
    create.databaseId = 74;
    tagZKS_LoadDBRec load{};
    load.databaseId = 74;
    load.sourcePath = source.data();
    tagZKS_DeleteDBRec remove{};
    remove.databaseId = 74;
    tagZKS_OptimizeDB optimize{};
    optimize.databaseId = 74;
    FaultScope fault(
        "ZKF_CreateDB,ZKF_RemoveDB,ZKF_LoadDBRecords,ZKF_DeleteDBRecords,ZKF_OptimizeDB,"
        "ZKF_CountDBRecords,ZKF_AppendLexicon,ZKF_CreateAssLexicon");
    EXPECT_EQ(ZKF_CreateDB(&create), 0);
    EXPECT_LT(ZKF_LoadDBRecords(&load, nullptr, 1, 1), 0);
    EXPECT_LT(ZKF_DeleteDBRecords(&remove, 1, 1, nullptr), 0);
    EXPECT_EQ(ZKF_OptimizeDB(&optimize), 0);
    EXPECT_LT(ZKF_CountDBRecords(74, nullptr), 0);
    EXPECT_LT(ZKF_AppendLexicon(74, source.c_str(), 1, nullptr), 0);
    EXPECT_EQ(ZKF_CreateAssLexicon(4444, 1, source.c_str(), 1), 0);
    EXPECT_EQ(ZKF_RemoveDB(74), 0);
    EXPECT_TRUE(std::filesystem::exists(DataPath(74)));
    EXPECT_EQ(ZKF_CountDBRecords(74, nullptr), 0);
}

}  // namespace
}  // namespace kernel_test
