// The kernel against the real dictionary shell: it finds each database's
// directory and column names through the open dictionary.
#include <filesystem>

#include "dict_files.h"
#include "kernel_test_support.h"
#include "zemshell.h"

namespace kernel_test {
namespace {

class KernelWithShell : public ::testing::Test {
protected:
    KernelWithShell() {
        zel::kernel::SetCatalogForTesting(nullptr);
        std::filesystem::create_directories(std::filesystem::path(home_) / "dict");
        zel::shell::DictFailure failure;
        EXPECT_TRUE(zel::shell::CreateEmptyDictionary(home_, zel::shell::OLDEST_DICT_TITLE, &failure)) << failure.text;
        EXPECT_EQ(ShellOpen(home_.c_str(), -1, -1, -1, -1), 1) << LastErrorText();
        EXPECT_NE(GetObjectEnv(3, &env_), nullptr);
        Z_AssignCharset(Z_CHARSET_GB18030, 1);
        Calls().clear();
    }
    ~KernelWithShell() override { ShellClose(); }

    // A synonym database as the upgrade makes one: a dictionary record, its
    // column, then the kernel database.
    uint32_t CreateSynonymDatabase() {
        DatabaseRecord record{};
        record.kind = DB_KIND_SYNONYM;
        record.name = const_cast<char*>("SYNONYM_GB");
        record.owner = const_cast<char*>("SYSTEM");
        record.charsetCode = CHARSET_CODE_GB18030;
        record.directory = dict_.data();
        uint32_t id = 0;
        EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 1) << LastErrorText();
        ObjectEnv columns = env_;
        columns.objectKind = OBJECT_COLUMN;
        ColumnRecord column{};
        column.name = const_cast<char*>("STM");
        column.type = COLUMN_CHAR;
        column.databaseId = id;
        uint16_t number = 0;
        EXPECT_EQ(NewDColumnInfo(&columns, id, &column, 0, &number), 1) << LastErrorText();
        KernelColumnEntry entry{};
        entry.columnNumber = number;
        std::snprintf(entry.typeName, sizeof(entry.typeName), "CHAR");
        tagZKS_CreateDB create{};
        create.databaseId = id;
        create.directory = dict_.data();
        create.columnCount = 1;
        create.columns = &entry;
        EXPECT_EQ(ZKF_CreateDB(&create), 1) << LastErrorText();
        return id;
    }

    zel::testing::ScratchDir scratch_{"kernel-shell"};
    std::string home_ = scratch_.Path("home");
    std::string dict_ = scratch_.Path("home/dict");
    ObjectEnv env_{};
};

TEST_F(KernelWithShell, LoadsCountsOptimizesAndRemovesThroughTheDictionary) {
    uint32_t id = CreateSynonymDatabase();
    std::string source = scratch_.Path("synonym.dic");
    zel::testing::WriteFileText(source, "好\n美\n");
    tagZKS_LoadDBRec load{};
    load.databaseId = id;
    load.sourcePath = source.data();
    tagZKS_MaintDBReport report{};
    EXPECT_EQ(ZKF_LoadDBRecords(&load, &report, 1, 1), 2) << LastErrorText();
    EXPECT_EQ(ZKF_CountDBRecords(id, nullptr), 2);

    tagZKS_OptimizeDB optimize{};
    optimize.databaseId = id;
    optimize.progress = RecordOptimize;
    EXPECT_EQ(ZKF_OptimizeDB(&optimize), 1) << LastErrorText();
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(Calls().front(), (ProgressCall{-1, 0, "STM"}));

    std::string data = (std::filesystem::path(dict_) / ("DB" + std::to_string(id) + ".dat")).string();
    EXPECT_TRUE(std::filesystem::exists(data));
    EXPECT_EQ(ZKF_RemoveDB(id), 1) << LastErrorText();
    EXPECT_FALSE(std::filesystem::exists(data));
}

TEST_F(KernelWithShell, SegmentationLexiconGoesToTheOpenHomesDict) {
    std::string source = scratch_.Path("single.dic");
    zel::testing::WriteFileText(source, "中 100\n");
    EXPECT_EQ(ZKF_CreateAssLexicon(7777, Z_CHARSET_GB18030, source.c_str(), 1), 1) << LastErrorText();
    EXPECT_EQ(zel::testing::ReadFileText(std::filesystem::path(dict_) / "ZEL_Single.GB"), "\xD6\xD0 100\n");
}

TEST_F(KernelWithShell, NothingIsFoundOnceTheDictionaryIsClosed) {
    uint32_t id = CreateSynonymDatabase();
    ASSERT_EQ(ShellClose(), 1);
    EXPECT_LT(ZKF_CountDBRecords(id, nullptr), 0);
    EXPECT_NE(LastErrorText().find("no data dictionary is open"), std::string::npos);
    EXPECT_EQ(ShellOpen(home_.c_str(), -1, -1, -1, -1), 1);
    EXPECT_EQ(ZKF_CountDBRecords(id, nullptr), 0);
}

}  // namespace
}  // namespace kernel_test
