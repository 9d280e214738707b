// How the shell keeps its records: changes in place while a file journal
// records the dictionary, records that leave the middle of a file, ids that
// never run out while one is free, and files it cannot keep straight.
#include <filesystem>
#include <string>
#include <vector>

#include "dict_files.h"
#include "shell_admin.h"
#include "shell_catalog.h"
#include "shell_test_support.h"
#include "support/scratch_dir.h"
#include "zelkit.h"

namespace shell_test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const char* const kInterpreted[] = {"CONFIG.DIC", "BASE.DIC", "BASECOL.DIC", "FORMAT.DIC"};

std::vector<std::string> Bytes(const std::string& home) {
    std::vector<std::string> files;
    for (const char* name : kInterpreted) files.push_back(zel::testing::ReadFileText(fs::path(home) / "system" / name));
    return files;
}

class JournalledShellTest : public ShellTest {
protected:
    JournalledShellTest() : opened_(Z_OpenFileJournal(journal_.Path("journal").c_str(), Home().c_str(), nullptr)) {
        EXPECT_NE(opened_, nullptr) << LastError();
    }
    ~JournalledShellTest() override {
        Z_CloseFileJournal(opened_);
        Z_DiscardFileJournal(opened_, journal_.Path("journal").c_str(), Home().c_str());
        Z_FreeFileJournal(opened_);
    }
    // The run's journal object; the shell is not handed it, and finds the
    // journal that records.
    HZJOURNAL Opened() const { return opened_; }
    std::string Journal() const { return journal_.Path("journal"); }

    // The same operations on any open dictionary: every kind of change, and
    // removals from the middle of BASE.DIC and BASECOL.DIC.
    void ChangeEverything() {
        ObjectEnv* env = &env_;
        uint32_t news = AddDatabase("NEWS", "ARCHIVE");
        uint32_t books = AddDatabase("LIBRARY", "BOOKS");
        uint32_t daily = AddDatabase("NEWS", "DAILY");
        for (const char* name : {"TITLE", "TEXT", "DATE"}) {
            AddColumn(news, name);
            AddColumn(books, name);
            AddColumn(daily, name);
        }
        ASSERT_EQ(DeleteDColumnInfo(env, news, 0, "", 1), 1) << LastError();
        ASSERT_EQ(DeleteDatabaseInfo(env, news, "", ""), 1) << LastError();
        ASSERT_EQ(DeleteDColumnInfo(env, books, 0, "TEXT", 0), 1) << LastError();
        DatabaseRecord rename = UnchangedDatabase();
        rename.name = const_cast<char*>("WEEKLY");
        ASSERT_EQ(UpdateDatabaseInfo(env, daily, "", "", &rename), 1) << LastError();
        ASSERT_EQ(UpdateBaseRecordNum(env, books, "", "", 12, -1), 1) << LastError();
        DataFormatRecord format{};
        format.id = 7;
        format.name = const_cast<char*>("MYFMT");
        ASSERT_EQ(NewDataFormatInfo(env, &format), 1) << LastError();
        ASSERT_EQ(SetSystemCharset(3), 3);
    }

private:
    zel::testing::ScratchDir journal_{"shell-journal"};
    HZJOURNAL opened_ = nullptr;
};

TEST_F(JournalledShellTest, ChangesInPlaceEndAsWholeFileWritesDoAndTheJournalPutsThemBack) {
    const std::vector<std::string> before = Bytes(Home());
    ASSERT_EQ(Z_RecordingJournal(), Opened());
    for (const char* name : kInterpreted) EXPECT_EQ(Z_IsFileJournalled(Opened(), DictPath(name).c_str()), 1) << name;
    ChangeEverything();
    ASSERT_FALSE(HasFailure());
    const std::vector<std::string> inPlace = Bytes(Home());
    // Written in place: the journal saw the files themselves changed, never
    // a whole new copy made beside them.
    const std::string lines = zel::testing::ReadFileText(fs::path(Journal()) / "JOURNAL");
    for (const char* name : kInterpreted) EXPECT_NE(lines.find(name), std::string::npos) << name;
    EXPECT_EQ(lines.find(".TMP"), std::string::npos) << lines;

    // The same operations where no journal records the files.
    Z_CloseFileJournal(Opened());
    EXPECT_EQ(Z_RecordingJournal(), nullptr);
    zel::testing::ScratchDir other("shell-whole");
    const std::string otherHome = other.Path("home");
    zel::shell::DictFailure failure;
    ASSERT_TRUE(zel::shell::CreateEmptyDictionary(otherHome, zel::shell::OLDEST_DICT_TITLE, &failure));
    ASSERT_EQ(ShellClose(), 1);
    ASSERT_EQ(ShellOpen(otherHome.c_str(), -1, -1, -1, -1), 1) << LastError();
    ASSERT_NE(GetObjectEnv(3, &env_), nullptr);
    for (const char* name : kInterpreted) {
        EXPECT_EQ(Z_IsFileJournalled(Opened(), (fs::path(otherHome) / "system" / name).string().c_str()), 0) << name;
    }
    ChangeEverything();
    EXPECT_EQ(Bytes(otherHome), inPlace);
    ASSERT_EQ(ShellClose(), 1);

    ASSERT_EQ(Z_UndoFileJournal(Journal().c_str(), Home().c_str()), 1) << LastError();
    EXPECT_EQ(Bytes(Home()), before);
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
    EXPECT_EQ(DatabaseNames(), Names{});
}

TEST_F(JournalledShellTest, FailedChangeInPlaceIsTakenBack) {
    uint32_t books = AddDatabase("LIBRARY", "BOOKS");
    AddColumn(books, "TITLE");
    AddColumn(books, "TEXT");
    const std::vector<std::string> before = Bytes(Home());
    // The record goes, then the header, then the cut: each failing in turn.
    for (const char* fault : {"Z_WriteFile", "Z_WriteFile:2", "Z_TruncateFile"}) {
        SetFault(fault);
        EXPECT_EQ(DeleteDColumnInfo(&env_, books, 0, "TITLE", 0), 0) << fault;
        EXPECT_NE(LastError().find("BASECOL.DIC"), std::string::npos) << LastError();
        SetFault("");
        EXPECT_EQ(Bytes(Home()), before) << fault;
    }
    // The id counter is written first, then the new record.
    SetFault("Z_WriteFile:2");
    DatabaseRecord record{};
    record.name = const_cast<char*>("DAILY");
    uint32_t id = 0;
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 0);
    SetFault("");
    EXPECT_EQ(zel::testing::ReadFileText(DictPath("BASE.DIC")), before[1]);
    EXPECT_EQ(dicGetDatabaseID(&env_, "SYSTEM", "DAILY"), 0u);
    ColumnRecord* columns = GetDColumnInfo(&env_, books, 0, "*", 0);
    ASSERT_NE(columns, nullptr) << LastError();
    EXPECT_STREQ(columns[0].name, "TITLE");
    EXPECT_STREQ(columns[1].name, "TEXT");
    EXPECT_EQ(columns[2].number, 0);
    FreeDColumnInfo(columns);
    Reopen();
    EXPECT_EQ(DatabaseNames(), Names{"LIBRARY.BOOKS"});
}

// A change that cannot even be taken back leaves the shell refusing every
// request until it is opened again; closing says so, and the journal puts
// the file back.
TEST_F(JournalledShellTest, FileThatCannotBePutBackStopsTheShell) {
    uint32_t books = AddDatabase("LIBRARY", "BOOKS");
    AddColumn(books, "TITLE");
    AddColumn(books, "TEXT");
    SetFault("Z_WriteFile,Z_TruncateFile");
    EXPECT_EQ(DeleteDColumnInfo(&env_, books, 0, "TITLE", 0), 0);
    SetFault("");
    EXPECT_EQ(GetDatabaseInfo(&env_, 0, "*", "*"), nullptr);
    EXPECT_NE(LastError().find("BASECOL.DIC could not be put back"), std::string::npos) << LastError();
    ColumnRecord column{};
    column.name = const_cast<char*>("DATE");
    uint16_t number = 0;
    EXPECT_EQ(NewDColumnInfo(&env_, books, &column, 0, &number), 0);
    EXPECT_EQ(ShellClose(), 0);
    EXPECT_NE(LastError().find("ShellClose"), std::string::npos) << LastError();
    Z_CloseFileJournal(Opened());
    ASSERT_EQ(Z_UndoFileJournal(Journal().c_str(), Home().c_str()), 1) << LastError();
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
    EXPECT_EQ(DatabaseNames(), Names{});
}

TEST_F(ShellTest, RecordsRemovedFromTheMiddleLeaveEveryLookUpRight) {
    std::vector<uint32_t> ids;
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        ids.push_back(AddDatabase("OWNER", name));
        AddColumn(ids.back(), "ONE");
        AddColumn(ids.back(), "TWO");
    }
    ASSERT_EQ(DeleteDColumnInfo(&env_, ids[1], 0, "", 1), 1);
    ASSERT_EQ(DeleteDatabaseInfo(&env_, ids[1], "", ""), 1);
    ASSERT_EQ(DeleteDatabaseInfo(&env_, 0, "owner", "a"), 1);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as changed" : "reopened");
        EXPECT_EQ(DatabaseNames(), (Names{"OWNER.C", "OWNER.D", "OWNER.E"}));
        EXPECT_EQ(dicGetDatabaseID(&env_, "OWNER", "E"), ids[4]);
        EXPECT_EQ(dicGetDatabaseID(&env_, "OWNER", "B"), 0u);
        zel::shell::DatabaseSummary summary;
        ASSERT_TRUE(zel::shell::FindDatabase(ids[3], &summary));
        EXPECT_EQ(summary.name, "D");
        EXPECT_FALSE(zel::shell::FindDatabase(ids[0], &summary));
        ColumnRecord* columns = GetDColumnInfo(&env_, ids[1], 0, "*", 0);
        EXPECT_EQ(columns, nullptr);
        columns = GetDColumnInfo(&env_, ids[4], 0, "*", 0);
        ASSERT_NE(columns, nullptr);
        EXPECT_STREQ(columns[0].name, "ONE");
        EXPECT_STREQ(columns[1].name, "TWO");
        EXPECT_EQ(columns[2].number, 0);
        FreeDColumnInfo(columns);
        Reopen();
    }
}

TEST_F(ShellTest, DatabaseIdsGoOnFromTheLowestFreeOneWhenNoneIsLeftAbove) {
    uint32_t first = AddDatabase("NEWS", "ARCHIVE");
    ASSERT_TRUE(zel::shell::RaiseNextDatabaseId(0xFFFFFFFEu));
    EXPECT_EQ(AddDatabase("NEWS", "LAST"), 0xFFFFFFFEu);
    EXPECT_EQ(AddDatabase("NEWS", "DAILY"), first + 1);
    ASSERT_EQ(DeleteDatabaseInfo(&env_, first, "", ""), 1);
    Reopen();
    EXPECT_EQ(AddDatabase("NEWS", "WEEKLY"), first);
    EXPECT_EQ(AddDatabase("NEWS", "MONTHLY"), first + 2);
}

TEST_F(ShellTest, FormatIdsGoOnFromTheLowestFreeOneWhenNoneIsLeftAbove) {
    auto add = [&](uint16_t id, const char* name) {
        DataFormatRecord format{};
        format.id = id;
        format.name = const_cast<char*>(name);
        EXPECT_EQ(NewDataFormatInfo(&env_, &format), 1) << LastError();
        DataFormatRecord* made = GetDataFormatInfo(&env_, 0, "", name, "");
        uint16_t given = made != nullptr ? made->id : 0;
        FreeDataFormatInfo(made);
        return given;
    };
    EXPECT_EQ(add(2, "TEXT"), 2);
    EXPECT_EQ(add(65534, "LAST"), 65534);
    EXPECT_EQ(add(2, "OTHER"), 1);
    EXPECT_EQ(add(0, "NONE"), 3);
    EXPECT_EQ(add(40, "FORTY"), 40);
    Reopen();
    EXPECT_EQ(add(0xFFFF, "MORE"), 4);
}

TEST_F(ShellTest, FilesWithRecordsALookUpCannotTellApartAreRefused) {
    AddDatabase("NEWS", "ARCHIVE");
    AddDatabase("NEWS", "DAILY");
    ASSERT_EQ(ShellClose(), 1);
    const std::string intact = FileBytes("BASE.DIC");
    const size_t second = 96 + zel::shell::StoredRecordSize(zel::shell::BASE_FILE);
    std::string sameId = intact;
    sameId.replace(second, 4, intact.substr(96, 4));
    std::string sameName = intact;
    sameName.replace(second + 109, 64, intact.substr(96 + 109, 64));
    for (const std::string& bytes : {sameId, sameName}) {
        zel::testing::WriteFileText(DictPath("BASE.DIC"), bytes);
        EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
        EXPECT_NE(LastError().find("BASE.DIC holds the database"), std::string::npos) << LastError();
        EXPECT_NE(LastError().find("(record 1 and record 2)"), std::string::npos) << LastError();
        EXPECT_EQ(FileBytes("BASE.DIC"), bytes);
    }
    zel::testing::WriteFileText(DictPath("BASE.DIC"), intact);
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
}

}  // namespace
}  // namespace shell_test
