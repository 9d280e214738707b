// Database records: ids, patterns, updates, renames, deletion.
#include <cstring>
#include <string>
#include <vector>

#include "shell_admin.h"
#include "shell_catalog.h"
#include "shell_test_support.h"
#include "zelkit.h"

namespace shell_test {
namespace {

using Names = std::vector<std::string>;

TEST_F(ShellTest, IdsRiseAndAreNeverHandedOutAgain) {
    uint32_t first = AddDatabase("NEWS", "ARCHIVE");
    uint32_t second = AddDatabase("NEWS", "DAILY");
    EXPECT_GT(first, 0u);
    EXPECT_GT(second, first);
    ASSERT_EQ(DeleteDatabaseInfo(&env_, second, "", ""), 1);
    EXPECT_GT(AddDatabase("NEWS", "WEEKLY"), second);
    uint32_t afterReopen = 0;
    Reopen();
    ASSERT_EQ(DeleteDatabaseInfo(&env_, 0, "news", "weekly"), 1);
    afterReopen = AddDatabase("NEWS", "MONTHLY");
    EXPECT_GT(afterReopen, second + 1);
}

TEST_F(ShellTest, PatternsMatchAllOrOneNameWithoutRegardToCase) {
    AddDatabase("SYSTEM", "SEGMENT_GB", DB_KIND_SEGMENT_LEXICON);
    AddDatabase("SYSTEM", "STOP_GB", DB_KIND_STOP_LEXICON);
    AddDatabase("LIBRARY", "BOOKS");
    EXPECT_EQ(DatabaseNames(), (Names{"SYSTEM.SEGMENT_GB", "SYSTEM.STOP_GB", "LIBRARY.BOOKS"}));
    EXPECT_EQ(DatabaseNames("system", "*"), (Names{"SYSTEM.SEGMENT_GB", "SYSTEM.STOP_GB"}));
    EXPECT_EQ(DatabaseNames("*", "segment_gb"), (Names{"SYSTEM.SEGMENT_GB"}));
    EXPECT_EQ(DatabaseNames("LIBRARY", "STOP_GB"), Names{});
    EXPECT_EQ(GetDatabaseInfo(&env_, 0, "NOBODY", "*"), nullptr);
    EXPECT_NE(LastError().find("GetDatabaseInfo"), std::string::npos);
    EXPECT_EQ(dicGetDatabaseID(&env_, "System", "Stop_Gb"), 2u);
    EXPECT_EQ(dicGetDatabaseID(&env_, "SYSTEM", "SDIBOOK"), 0u);
}

TEST_F(ShellTest, DatabaseWithoutOwnerBelongsToTheSystem) {
    uint32_t id = AddDatabase(nullptr, "IDEO_ALL_GB", DB_KIND_SEGMENT_LEXICON);
    EXPECT_EQ(dicGetDatabaseID(&env_, "SYSTEM", "IDEO_ALL_GB"), id);
}

TEST_F(ShellTest, EveryStoredFieldSurvivesReopening) {
    DatabaseRecord record{};
    record.kind = DB_KIND_THESAURUS;
    record.value8 = 0x1122334455667788ull;
    record.value16 = 7;
    record.name = const_cast<char*>("THESAURUS_BIG");
    record.owner = const_cast<char*>("SYSTEM");
    record.value48 = 1;
    record.charsetCode = CHARSET_CODE_BIG5;
    record.recordCount = 1200;
    record.indexSegmentId = 11;
    record.indexStopId = 12;
    record.value148 = 256;
    record.bytes152[8] = 9;
    record.value164 = 0xB0000000u;
    record.directory = const_cast<char*>("C:\\zel\\dict");
    record.text176 = const_cast<char*>("");
    record.text96 = const_cast<char*>("t96");
    record.description = const_cast<char*>("This is system thesaurus");
    uint32_t id = 0;
    ASSERT_EQ(NewDatabaseInfo(&env_, &record, &id), 1) << LastError();
    Reopen();
    DatabaseRecord* got = GetDatabaseInfo(&env_, 0, "SYSTEM", "THESAURUS_BIG");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->id, id);
    EXPECT_EQ(got->kind, DB_KIND_THESAURUS);
    EXPECT_EQ(got->value8, 0x1122334455667788ull);
    EXPECT_EQ(got->value48, 1);
    EXPECT_EQ(got->charsetCode, CHARSET_CODE_BIG5);
    EXPECT_EQ(got->recordCount, 1200u);
    EXPECT_EQ(got->indexSegmentId, 11u);
    EXPECT_EQ(got->indexStopId, 12u);
    EXPECT_EQ(got->value148, 256u);
    EXPECT_EQ(got->bytes152[8], 9);
    EXPECT_EQ(got->value164, 0xB0000000u);
    EXPECT_STREQ(got->directory, "C:\\zel\\dict");
    EXPECT_STREQ(got->text96, "t96");
    EXPECT_STREQ(got->text176, "");
    EXPECT_STREQ(got->description, "This is system thesaurus");
    EXPECT_EQ(got->next, nullptr);
    FreeDatabaseInfo(got);
}

TEST_F(ShellTest, UpdateOfUnchangedFieldsChangesNothing) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    std::string before = FileBytes("BASE.DIC");
    DatabaseRecord update = UnchangedDatabase();
    EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 1) << LastError();
    update.secondName = nullptr;
    update.description = nullptr;
    EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 1) << LastError();
    EXPECT_EQ(FileBytes("BASE.DIC"), before);
}

TEST_F(ShellTest, UpdateChangesOnlyTheFieldsItSets) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    DatabaseRecord update = UnchangedDatabase();
    update.indexSegmentId = 0;
    update.bytes152[3] = 4;
    update.description = const_cast<char*>("rebuilt");
    ASSERT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 1) << LastError();
    Reopen();
    DatabaseRecord* got = GetDatabaseInfo(&env_, 0, "NEWS", "ARCHIVE");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->indexSegmentId, 0u);
    EXPECT_EQ(got->bytes152[3], 4);
    EXPECT_EQ(got->bytes152[4], 0);
    EXPECT_STREQ(got->description, "rebuilt");
    EXPECT_STREQ(got->directory, "/data/dict");
    EXPECT_EQ(got->charsetCode, CHARSET_CODE_GB18030);
    FreeDatabaseInfo(got);
}

TEST_F(ShellTest, RenameRequestRenamesAndSetsTheRecordCount) {
    uint32_t id = AddDatabase("SYSTEM", "SEGMENT_BIG", DB_KIND_SEGMENT_LEXICON);
    DatabaseRecord update = UnchangedDatabase();
    update.name = const_cast<char*>("SEGMENT_BIG5");
    update.secondName = const_cast<char*>("segment_big");
    update.recordCount = 345;
    ASSERT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 1) << LastError();
    Reopen();
    EXPECT_EQ(dicGetDatabaseID(&env_, "SYSTEM", "SEGMENT_BIG"), 0u);
    EXPECT_EQ(dicGetDatabaseID(&env_, "SYSTEM", "SEGMENT_BIG5"), id);
    DatabaseRecord* got = GetDatabaseInfo(&env_, 0, "SYSTEM", "SEGMENT_BIG5");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->recordCount, 345u);
    EXPECT_EQ(got->kind, DB_KIND_SEGMENT_LEXICON);
    FreeDatabaseInfo(got);
}

TEST_F(ShellTest, RenameIsRefusedForAStaleRequestOrATakenName) {
    uint32_t id = AddDatabase("SYSTEM", "STOP_BIG", DB_KIND_STOP_LEXICON);
    AddDatabase("SYSTEM", "STOP_BIG5", DB_KIND_STOP_LEXICON);
    std::string before = FileBytes("BASE.DIC");
    DatabaseRecord update = UnchangedDatabase();
    update.name = const_cast<char*>("STOP_BIG5");
    update.secondName = const_cast<char*>("STOP_BIG");
    EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 0);
    EXPECT_NE(LastError().find("exists already"), std::string::npos);
    update.name = const_cast<char*>("STOP_OTHER");
    update.secondName = const_cast<char*>("STOP_ENG");
    EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 0);
    EXPECT_EQ(FileBytes("BASE.DIC"), before);
    EXPECT_EQ(DatabaseNames("SYSTEM"), (Names{"SYSTEM.STOP_BIG", "SYSTEM.STOP_BIG5"}));
}

TEST_F(ShellTest, NewDatabaseWithATakenNameIsRefused) {
    AddDatabase("LIBRARY", "BOOKS");
    DatabaseRecord record{};
    record.name = const_cast<char*>("books");
    record.owner = const_cast<char*>("library");
    uint32_t id = 0;
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 0);
    EXPECT_NE(LastError().find("NewDatabaseInfo"), std::string::npos);
    record.owner = const_cast<char*>("NEWS");
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 1) << LastError();
}

TEST_F(ShellTest, TextTooLongForItsFieldIsRefusedNotCut) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    std::string before = FileBytes("BASE.DIC");
    std::string longText(400, 'd');
    DatabaseRecord update = UnchangedDatabase();
    update.description = longText.data();
    update.recordCount = 5;
    EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 0);
    EXPECT_NE(LastError().find("description"), std::string::npos);
    EXPECT_EQ(FileBytes("BASE.DIC"), before);

    DatabaseRecord record{};
    std::string longName(64, 'N');
    record.name = longName.data();
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 0);
    EXPECT_EQ(FileBytes("BASE.DIC"), before);
}

TEST_F(ShellTest, RecordCountIsSetByIdOrName) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    ASSERT_EQ(UpdateBaseRecordNum(&env_, id, "", "", 77, -1), 1) << LastError();
    ASSERT_EQ(UpdateBaseRecordNum(&env_, 0, "NEWS", "archive", 78, -1), 1) << LastError();
    EXPECT_EQ(UpdateBaseRecordNum(&env_, id, "", "", -1, -1), 0);
    EXPECT_EQ(UpdateBaseRecordNum(&env_, id + 9, "", "", 1, -1), 0);
    Reopen();
    DatabaseRecord* got = GetDatabaseInfo(&env_, 0, "NEWS", "ARCHIVE");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->recordCount, 78u);
    FreeDatabaseInfo(got);
}

bool CountsSeventeen(uint32_t, uint64_t* records) {
    *records = 17;
    return true;
}

TEST_F(ShellTest, RecordCountOfZeroAsksTheKernel) {
    uint32_t id = AddDatabase("SYSTEM", "SYS$ENTITY", DB_KIND_ENTITY_LEXICON);
    ASSERT_EQ(UpdateBaseRecordNum(&env_, id, "", "", 0, -1), 1);
    zel::shell::SetRecordCounter(&CountsSeventeen);
    ASSERT_EQ(UpdateBaseRecordNum(&env_, id, "", "", 0, -1), 1);
    zel::shell::SetRecordCounter(nullptr);
    DatabaseRecord* got = GetDatabaseInfo(&env_, 0, "SYSTEM", "SYS$ENTITY");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->recordCount, 17u);
    FreeDatabaseInfo(got);
    ASSERT_EQ(UpdateBaseRecordNum(&env_, id, "", "", 0, -1), 1);
    got = GetDatabaseInfo(&env_, 0, "SYSTEM", "SYS$ENTITY");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->recordCount, 0u);
    FreeDatabaseInfo(got);
}

TEST_F(ShellTest, DeletingAnUnknownDatabaseFails) {
    EXPECT_EQ(DeleteDatabaseInfo(&env_, 42, "", ""), 0);
    EXPECT_NE(LastError().find("DeleteDatabaseInfo: no database has the id 42"), std::string::npos);
}

}  // namespace
}  // namespace shell_test
