#include "system_databases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/dictionary_step_fixture.h"
#include "kernel_store.h"
#include "support/scratch_dir.h"
#include "zelkit.h"
#include "zemshell.h"

namespace dictionary_test {
namespace {

class SystemDatabases : public DictionaryStepTest {
protected:
    char name_[32] = "THESAURUS_GB";
    char owner_[8] = "SYSTEM";
    char empty_[1] = "";
    char description_[32] = "This is system thesaurus";
    std::string dictDir_ = DictDir();

    DatabaseRecord Definition(uint32_t kind) {
        DatabaseRecord record{};
        record.id = 3;
        record.kind = kind;
        record.name = name_;
        record.owner = owner_;
        record.value48 = 1;
        record.charsetCode = CHARSET_CODE_GB18030;
        record.value148 = 256;
        record.value164 = 0xB0000000;
        record.directory = dictDir_.data();
        record.text176 = empty_;
        record.description = description_;
        return record;
    }

    static ColumnRecord Column(const char* name, uint32_t type) {
        ColumnRecord column{};
        column.number = 1;
        column.name = const_cast<char*>(name);
        column.text104 = const_cast<char*>(name);  // the kernel's name of the column
        column.type = type;
        column.value84 = 60;
        column.flag95 = 1;
        return column;
    }

    std::string DataFile(uint32_t id) const {
        return zel::testing::ReadFileText(std::filesystem::path(DictDir()) / ("DB" + std::to_string(id) + ".dat"));
    }
};

TEST_F(SystemDatabases, LexiconKindGetsDictionaryRecordOnly) {
    DatabaseRecord stop = Definition(DB_KIND_STOP_LEXICON);
    std::snprintf(name_, sizeof name_, "STOP_GB");
    uint32_t id = 0;
    ASSERT_EQ(CreateSystemDB(&env_, &stop, nullptr, 0, &id), 1) << LastErrorText();
    EXPECT_NE(id, 0u);
    const DatabaseRecord* made = FindDatabase("SYSTEM", "STOP_GB");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->id, id);
    EXPECT_FALSE(zel::kernel::DescribeData(DictDir(), id).exists);
    // The caller's environment keeps its kind.
    EXPECT_EQ(env_.objectKind, OBJECT_DATABASE);
}

TEST_F(SystemDatabases, DatabaseWithoutColumnsGetsAnEmptyKernelDatabase) {
    env_.objectKind = OBJECT_DATA_FORMAT;
    DatabaseRecord thesaurus = Definition(DB_KIND_THESAURUS);
    uint32_t id = 0;
    ASSERT_EQ(CreateSystemDB(&env_, &thesaurus, nullptr, 0, &id), 1) << LastErrorText();
    EXPECT_EQ(env_.objectKind, OBJECT_DATA_FORMAT);
    zel::kernel::DataSummary data = zel::kernel::DescribeData(DictDir(), id);
    EXPECT_TRUE(data.exists);
    EXPECT_EQ(data.records, 0u);
    EXPECT_EQ(DataFile(id).find("column "), std::string::npos);
}

TEST_F(SystemDatabases, ColumnsAreCreatedAndHandedToTheKernel) {
    DatabaseRecord thesaurus = Definition(DB_KIND_THESAURUS);
    ColumnRecord columns[3] = {Column("CTM", COLUMN_CHAR), Column("ODD", 0x50), Column("WHEN", COLUMN_DATE)};
    columns[1].flag96 = 1;
    columns[1].flag97 = 1;  // clears byte 96 before the column is made
    columns[2].flag96 = 1;
    uint32_t id = 0;
    ASSERT_EQ(CreateSystemDB(&env_, &thesaurus, columns, 3, &id), 1) << LastErrorText();

    for (const ColumnRecord& column : columns) EXPECT_EQ(column.databaseId, id);
    EXPECT_EQ(columns[1].flag96, 0);
    EXPECT_EQ(columns[2].flag96, 1);
    // The kernel got one entry per column, numbered as the shell numbered
    // them, with the type names (none for an unknown type).
    std::string data = DataFile(id);
    EXPECT_NE(data.find("column 1 CHAR CTM\n"), std::string::npos) << data;
    EXPECT_NE(data.find("column 2  ODD\n"), std::string::npos) << data;
    EXPECT_NE(data.find("column 3 DATE WHEN\n"), std::string::npos) << data;

    ObjectEnv env = env_;
    env.objectKind = OBJECT_COLUMN;
    ColumnRecord* odd = GetDColumnInfo(&env, id, 0, "ODD", 0);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->number, 2);
    EXPECT_EQ(odd->flag96, 0);
    FreeDColumnInfo(odd);
}

TEST_F(SystemDatabases, FailedCreationLeavesNothingAndKeepsItsError) {
    // A database left without some of its columns or its data would be taken
    // as present by every later run, so a failed creation takes away what it
    // made, and the failure that stopped it stays the error to show.
    for (const char* fault : {"NewDatabaseInfo", "NewDColumnInfo:2", "Z_MemAlloc", "Z_MemRealloc", "ZKF_CreateDB"}) {
        SCOPED_TRACE(fault);
        DatabaseRecord thesaurus = Definition(DB_KIND_THESAURUS);
        ColumnRecord columns[2] = {Column("CTM", COLUMN_CHAR), Column("CLT", COLUMN_CHAR)};
        uint32_t id = 0;
        SetFault(fault);
        EXPECT_EQ(CreateSystemDB(&env_, &thesaurus, columns, 2, &id), 0);
        const std::string error = Z_GetLastErrorPrompt(nullptr, 0);
        SetFault("");
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED) << error;
        EXPECT_EQ(error.rfind(std::string(fault).substr(0, std::string(fault).find(':')), 0), 0u) << error;
        EXPECT_EQ(id, 0u);
        EXPECT_EQ(FindDatabase("SYSTEM", name_), nullptr);

        // The same definition is made whole by the next try.
        DatabaseRecord again = Definition(DB_KIND_THESAURUS);
        ColumnRecord againColumns[2] = {Column("CTM", COLUMN_CHAR), Column("CLT", COLUMN_CHAR)};
        ASSERT_EQ(CreateSystemDB(&env_, &again, againColumns, 2, &id), 1) << LastErrorText();
        uint8_t flag95 = 0, flag97 = 0;
        EXPECT_EQ(ColumnFlags(id, "CLT", &flag95, &flag97), 0);
        EXPECT_TRUE(zel::kernel::DescribeData(DictDir(), id).exists);
        ASSERT_EQ(RemoveSystemDB(&env_, id), 1) << LastErrorText();
    }
}

TEST_F(SystemDatabases, RemovalTakesKernelDataColumnsAndRecord) {
    DatabaseRecord thesaurus = Definition(DB_KIND_THESAURUS);
    ColumnRecord column = Column("CTM", COLUMN_CHAR);
    uint32_t id = 0;
    ASSERT_EQ(CreateSystemDB(&env_, &thesaurus, &column, 1, &id), 1) << LastErrorText();
    ASSERT_EQ(RemoveSystemDB(&env_, id), 1) << LastErrorText();
    EXPECT_EQ(FindDatabase("SYSTEM", "THESAURUS_GB"), nullptr);
    EXPECT_FALSE(zel::kernel::DescribeData(DictDir(), id).exists);
    uint8_t flag95 = 0, flag97 = 0;
    EXPECT_EQ(ColumnFlags(id, "CTM", &flag95, &flag97), -1);
}

TEST_F(SystemDatabases, EachFailingCallOfRemovalFails) {
    for (const char* fault : {"ZKF_RemoveDB", "DeleteDColumnInfo", "DeleteDatabaseInfo"}) {
        SCOPED_TRACE(fault);
        DatabaseRecord thesaurus = Definition(DB_KIND_THESAURUS);
        uint32_t id = 0;
        ASSERT_EQ(CreateSystemDB(&env_, &thesaurus, nullptr, 0, &id), 1) << LastErrorText();
        SetFault(fault);
        EXPECT_EQ(RemoveSystemDB(&env_, id), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
        SetFault("");
        // What was left is removed by a second try.
        EXPECT_EQ(RemoveSystemDB(&env_, id), 1) << LastErrorText();
        EXPECT_EQ(FindDatabase("SYSTEM", "THESAURUS_GB"), nullptr);
    }
}

TEST_F(SystemDatabases, SdiBookIsRemovedWhenPresent) {
    std::snprintf(name_, sizeof name_, "SDIBOOK");
    DatabaseRecord book = Definition(0x300000);
    uint32_t id = 0;
    ASSERT_EQ(CreateSystemDB(&env_, &book, nullptr, 0, &id), 1) << LastErrorText();
    ASSERT_EQ(RemoveSdiBook(&env_), 1) << LastErrorText();
    EXPECT_EQ(FindDatabase("SYSTEM", "SDIBOOK"), nullptr);
}

TEST_F(SystemDatabases, NoSdiBookIsNothingToDo) {
    SetFault("ZKF_RemoveDB,DeleteDColumnInfo,DeleteDatabaseInfo");
    EXPECT_EQ(RemoveSdiBook(&env_), 1);
}

TEST_F(SystemDatabases, FailedSdiBookLookupFails) {
    SetFault("dicGetDatabaseID");
    EXPECT_EQ(RemoveSdiBook(&env_), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

}  // namespace
}  // namespace dictionary_test
