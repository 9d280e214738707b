// Column records.
#include <string>
#include <vector>

#include "shell_test_support.h"

namespace shell_test {
namespace {

std::vector<std::string> ColumnNames(uint32_t databaseId) {
    ObjectEnv env{};
    std::vector<std::string> names;
    ColumnRecord* list = GetDColumnInfo(&env, databaseId, 0, "*", 0);
    for (ColumnRecord* column = list; column != nullptr && column->number != 0; ++column) {
        names.push_back(std::to_string(column->number) + ":" + column->name);
    }
    FreeDColumnInfo(list);
    return names;
}

TEST_F(ShellTest, ColumnsAreNumberedWithinTheirDatabase) {
    uint32_t thesaurus = AddDatabase("SYSTEM", "THESAURUS_GB", DB_KIND_THESAURUS);
    uint32_t synonym = AddDatabase("SYSTEM", "SYNONYM_GB", DB_KIND_SYNONYM);
    EXPECT_EQ(AddColumn(thesaurus, "CTM"), 1);
    EXPECT_EQ(AddColumn(thesaurus, "CLT"), 2);
    EXPECT_EQ(AddColumn(synonym, "STM"), 1);
    EXPECT_EQ(AddColumn(thesaurus, "CBT"), 3);
    Reopen();
    EXPECT_EQ(ColumnNames(thesaurus), (std::vector<std::string>{"1:CTM", "2:CLT", "3:CBT"}));
    EXPECT_EQ(ColumnNames(synonym), (std::vector<std::string>{"1:STM"}));
}

TEST_F(ShellTest, ColumnIsFoundByNameWithEveryField) {
    uint32_t id = AddDatabase("SYSTEM", "THESAURUS_GB", DB_KIND_THESAURUS);
    ColumnRecord column{};
    column.name = const_cast<char*>("CTM");
    column.type = COLUMN_CHAR;
    column.databaseId = 3;  // a placeholder; the shell files it under the database given
    column.value84 = 60;
    column.bytes86[7] = 8;
    column.flag94 = 1;
    column.flag95 = 1;
    column.flag98 = 1;
    column.text104 = const_cast<char*>("kernel text");
    column.description = const_cast<char*>("This is CTM of thesaurus");
    uint16_t number = 0;
    ASSERT_EQ(NewDColumnInfo(&env_, id, &column, 0, &number), 1) << LastError();
    Reopen();
    ColumnRecord* got = GetDColumnInfo(&env_, id, 0, "ctm", 0);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->number, 1);
    EXPECT_STREQ(got->name, "CTM");
    EXPECT_EQ(got->type, COLUMN_CHAR);
    EXPECT_EQ(got->databaseId, id);
    EXPECT_EQ(got->value84, 60);
    EXPECT_EQ(got->bytes86[7], 8);
    EXPECT_EQ(got->flag94, 1);
    EXPECT_EQ(got->flag95, 1);
    EXPECT_EQ(got->flag96, 0);
    EXPECT_EQ(got->flag98, 1);
    EXPECT_STREQ(got->text104, "kernel text");
    EXPECT_STREQ(got->description, "This is CTM of thesaurus");
    EXPECT_EQ(got->pointer128, nullptr);
    FreeDColumnInfo(got);
    EXPECT_EQ(GetDColumnInfo(&env_, id, 0, "CPCC", 0), nullptr);
    FreeDColumnInfo(nullptr);
}

TEST_F(ShellTest, ColumnUpdateSetsOnlyTheGivenFlags) {
    uint32_t id = AddDatabase("SYSTEM", "THESAURUS_BIG", DB_KIND_THESAURUS);
    AddColumn(id, "CTM");
    ColumnRecord update = UnchangedColumn();
    update.flag95 = 1;
    update.flag97 = 0;
    ASSERT_EQ(UpdateDColumnInfo(&env_, id, 0, "CTM", &update), 1) << LastError();
    Reopen();
    ColumnRecord* got = GetDColumnInfo(&env_, id, 0, "CTM", 0);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->flag95, 1);
    EXPECT_EQ(got->flag97, 0);
    EXPECT_EQ(got->value84, 60);
    EXPECT_EQ(got->type, COLUMN_CHAR);
    EXPECT_STREQ(got->description, "a column");
    FreeDColumnInfo(got);
    EXPECT_EQ(UpdateDColumnInfo(&env_, id, 0, "NONE", &update), 0);
}

TEST_F(ShellTest, DeletingAllColumnsLeavesOtherDatabasesAlone) {
    uint32_t first = AddDatabase("SYSTEM", "THESAURUS_GB", DB_KIND_THESAURUS);
    uint32_t second = AddDatabase("SYSTEM", "ANTONYM_GB", DB_KIND_ANTONYM);
    AddColumn(first, "CTM");
    AddColumn(first, "CLT");
    AddColumn(second, "ATM");
    ASSERT_EQ(DeleteDColumnInfo(&env_, first, 0, "", 1), 1) << LastError();
    EXPECT_EQ(DeleteDColumnInfo(&env_, first, 0, "", 1), 1);
    Reopen();
    EXPECT_TRUE(ColumnNames(first).empty());
    EXPECT_EQ(ColumnNames(second), (std::vector<std::string>{"1:ATM"}));
    EXPECT_EQ(AddColumn(first, "CTM"), 1);
}

TEST_F(ShellTest, ColumnNeedsAnExistingDatabaseAndAFreeName) {
    ColumnRecord column{};
    column.name = const_cast<char*>("CTM");
    uint16_t number = 0;
    EXPECT_EQ(NewDColumnInfo(&env_, 99, &column, 0, &number), 0);
    EXPECT_NE(LastError().find("NewDColumnInfo"), std::string::npos);
    uint32_t id = AddDatabase("SYSTEM", "THESAURUS_GB", DB_KIND_THESAURUS);
    AddColumn(id, "CTM");
    column.name = const_cast<char*>("ctm");
    EXPECT_EQ(NewDColumnInfo(&env_, id, &column, 0, &number), 0);
}

}  // namespace
}  // namespace shell_test
