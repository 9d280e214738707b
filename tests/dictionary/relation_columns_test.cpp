#include "relation_columns.h"

#include <gtest/gtest.h>

#include "dictionary/dictionary_step_fixture.h"
#include "zelkit.h"

namespace dictionary_test {
namespace {

using RelationColumns = DictionaryStepTest;

TEST_F(RelationColumns, MainColumnsGetTheirFlags) {
    uint32_t thesaurus = NewDatabase("THESAURUS_GB", DB_KIND_THESAURUS, CHARSET_CODE_GB18030);
    NewColumn(thesaurus, "CTM", 0, 0);
    NewColumn(thesaurus, "CLT", 0, 1);
    uint32_t synonym = NewDatabase("SYNONYM_GB", DB_KIND_SYNONYM, CHARSET_CODE_GB18030);
    NewColumn(synonym, "STM", 1, 1);
    uint32_t antonym = NewDatabase("ANTONYM_GB", DB_KIND_ANTONYM, CHARSET_CODE_GB18030);
    NewColumn(antonym, "ATM", 0, 0);
    uint32_t other = NewDatabase("BOOKS", 0x300000, CHARSET_CODE_GB18030);
    NewColumn(other, "CTM", 0, 1);

    ASSERT_EQ(UpdateRelationColumns(&env_), 1) << LastErrorText();

    uint8_t flag95 = 0, flag97 = 0;
    for (auto [id, name] : {std::pair{thesaurus, "CTM"}, {synonym, "STM"}, {antonym, "ATM"}}) {
        ASSERT_EQ(ColumnFlags(id, name, &flag95, &flag97), 0);
        EXPECT_EQ(flag95, 1) << name;
        EXPECT_EQ(flag97, 0) << name;
    }
    // Only the main column of a relation database is touched.
    ASSERT_EQ(ColumnFlags(thesaurus, "CLT", &flag95, &flag97), 0);
    EXPECT_EQ(flag95, 0);
    EXPECT_EQ(flag97, 1);
    ASSERT_EQ(ColumnFlags(other, "CTM", &flag95, &flag97), 0);
    EXPECT_EQ(flag95, 0);
    EXPECT_EQ(flag97, 1);
}

TEST_F(RelationColumns, CurrentColumnsAndMissingOnesAreNotWritten) {
    uint32_t thesaurus = NewDatabase("THESAURUS_GB", DB_KIND_THESAURUS, CHARSET_CODE_GB18030);
    NewColumn(thesaurus, "CTM", 1, 0);
    NewDatabase("SYNONYM_GB", DB_KIND_SYNONYM, CHARSET_CODE_GB18030);  // without its STM column
    SetFault("UpdateDColumnInfo");
    EXPECT_EQ(UpdateRelationColumns(&env_), 1) << LastErrorText();
}

TEST_F(RelationColumns, DictionaryWithoutDatabasesIsNothingToDo) {
    EXPECT_EQ(UpdateRelationColumns(&env_), 1) << LastErrorText();
}

TEST_F(RelationColumns, EachFailingCallFails) {
    uint32_t thesaurus = NewDatabase("THESAURUS_GB", DB_KIND_THESAURUS, CHARSET_CODE_GB18030);
    NewColumn(thesaurus, "CTM", 0, 0);
    for (const char* fault : {"GetDatabaseInfo", "GetDColumnInfo", "UpdateDColumnInfo"}) {
        SCOPED_TRACE(fault);
        SetFault(fault);
        EXPECT_EQ(UpdateRelationColumns(&env_), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED) << LastErrorText();
    }
}

TEST_F(RelationColumns, FirstFailureEndsTheWalk) {
    uint32_t thesaurus = NewDatabase("THESAURUS_GB", DB_KIND_THESAURUS, CHARSET_CODE_GB18030);
    NewColumn(thesaurus, "CTM", 0, 0);
    uint32_t synonym = NewDatabase("SYNONYM_GB", DB_KIND_SYNONYM, CHARSET_CODE_GB18030);
    NewColumn(synonym, "STM", 0, 0);
    SetFault("UpdateDColumnInfo");
    EXPECT_EQ(UpdateRelationColumns(&env_), 0);
    SetFault("");
    uint8_t flag95 = 0, flag97 = 0;
    ASSERT_EQ(ColumnFlags(synonym, "STM", &flag95, &flag97), 0);
    EXPECT_EQ(flag95, 0);
}

}  // namespace
}  // namespace dictionary_test
