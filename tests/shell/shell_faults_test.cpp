// Failures injected with ZEL_FAULT: a failed operation reports itself and
// leaves the dictionary files, and the shell's view of them, as they were.
#include <filesystem>
#include <string>
#include <vector>

#include "shell_test_support.h"
#include "zelkit.h"

namespace shell_test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> SystemFiles(const std::string& home) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(home) / "system")) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST_F(ShellTest, InjectedOperationFaultFailsAndReportsIt) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    std::string before = FileBytes("BASE.DIC");
    for (const char* operation : {"NewDatabaseInfo", "UpdateDatabaseInfo", "DeleteDatabaseInfo", "UpdateBaseRecordNum",
                                  "GetDatabaseInfo", "SetSystemCharset"}) {
        SetFault(operation);
        DatabaseRecord record{};
        record.name = const_cast<char*>("DAILY");
        DatabaseRecord update = UnchangedDatabase();
        update.recordCount = 3;
        uint32_t newId = 0;
        int result = 1;
        std::string name = operation;
        if (name == "NewDatabaseInfo") result = NewDatabaseInfo(&env_, &record, &newId);
        if (name == "UpdateDatabaseInfo") result = UpdateDatabaseInfo(&env_, id, "", "", &update);
        if (name == "DeleteDatabaseInfo") result = DeleteDatabaseInfo(&env_, id, "", "");
        if (name == "UpdateBaseRecordNum") result = UpdateBaseRecordNum(&env_, id, "", "", 3, -1);
        if (name == "GetDatabaseInfo") result = GetDatabaseInfo(&env_, 0, "*", "*") != nullptr;
        if (name == "SetSystemCharset") result = SetSystemCharset(1);
        EXPECT_EQ(result, 0) << operation;
        EXPECT_NE(Z_GetLastError(), 0u) << operation;
        EXPECT_TRUE(Contains(LastError(), "inject")) << operation << ": " << LastError();
        EXPECT_EQ(FileBytes("BASE.DIC"), before) << operation;
    }
    SetFault("");
    EXPECT_EQ(SetSystemCharset(0), 0);
}

TEST_F(ShellTest, FailedWriteKeepsFileAndMemoryAndLeavesNoTemporaryFile) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    std::string before = FileBytes("BASE.DIC");
    for (const char* fault : {"Z_CreateFile", "Z_WriteFile", "Z_ReplaceFile"}) {
        SetFault(fault);
        DatabaseRecord update = UnchangedDatabase();
        update.name = const_cast<char*>("RENAMED");
        EXPECT_EQ(UpdateDatabaseInfo(&env_, id, "", "", &update), 0) << fault;
        EXPECT_TRUE(Contains(LastError(), "UpdateDatabaseInfo")) << LastError();
        EXPECT_TRUE(Contains(LastError(), "BASE.DIC")) << LastError();
        SetFault("");
        EXPECT_EQ(FileBytes("BASE.DIC"), before) << fault;
        EXPECT_EQ(dicGetDatabaseID(&env_, "NEWS", "ARCHIVE"), id) << fault;
        EXPECT_EQ(dicGetDatabaseID(&env_, "NEWS", "RENAMED"), 0u) << fault;
        EXPECT_EQ(SystemFiles(Home()).size(), 9u) << fault;
    }
}

TEST_F(ShellTest, IdLostToAFailedWriteIsNotHandedOutAgain) {
    uint32_t first = AddDatabase("NEWS", "ARCHIVE");
    // The counter in CONFIG.DIC is written first, BASE.DIC second.
    SetFault("Z_ReplaceFile:2");
    DatabaseRecord record{};
    record.name = const_cast<char*>("DAILY");
    uint32_t id = 0;
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 0);
    SetFault("");
    EXPECT_EQ(dicGetDatabaseID(&env_, "*", "DAILY"), 0u);
    Reopen();
    EXPECT_EQ(dicGetDatabaseID(&env_, "NEWS", "DAILY"), 0u);
    EXPECT_EQ(AddDatabase("NEWS", "DAILY"), first + 2);
}

TEST_F(ShellTest, FailedColumnFormatAndConfigurationWritesChangeNothing) {
    uint32_t id = AddDatabase("SYSTEM", "THESAURUS_GB", DB_KIND_THESAURUS);
    AddColumn(id, "CTM");
    std::vector<std::string> files = {"CONFIG.DIC", "BASECOL.DIC", "FORMAT.DIC"};
    std::vector<std::string> before;
    for (const std::string& file : files) before.push_back(FileBytes(file));

    SetFault("Z_WriteFile");
    ColumnRecord column{};
    column.name = const_cast<char*>("CLT");
    uint16_t number = 0;
    EXPECT_EQ(NewDColumnInfo(&env_, id, &column, 0, &number), 0);
    SetFault("Z_WriteFile");
    EXPECT_EQ(DeleteDColumnInfo(&env_, id, 0, "", 1), 0);
    SetFault("Z_WriteFile");
    SystemConfigRecord update = UnchangedConfig();
    update.memory = 128;
    EXPECT_EQ(UpdateSystemCFGInfo(&env_, &update), 0);
    SetFault("Z_WriteFile");
    DataFormatRecord format{};
    format.name = const_cast<char*>("HTML");
    EXPECT_EQ(NewDataFormatInfo(&env_, &format), 0);
    SetFault("GetSystemCFGInfo");
    EXPECT_EQ(GetSystemCFGInfo(&env_), nullptr);
    SetFault("");

    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(FileBytes(files[i]), before[i]) << files[i];
    ColumnRecord* columns = GetDColumnInfo(&env_, id, 0, "*", 0);
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns[0].number, 1);
    EXPECT_EQ(columns[1].number, 0);
    FreeDColumnInfo(columns);
    SystemConfigRecord* config = GetSystemCFGInfo(&env_);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->memory, 0);
    FreeSystemCFGInfo(config);
}

TEST_F(ShellTest, InjectedOpenFaultLeavesTheShellClosed) {
    ASSERT_EQ(ShellClose(), 1);
    SetFault("ShellOpen");
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
    EXPECT_EQ(GetObjectEnv(3, &env_), nullptr);
    SetFault("");
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
}

}  // namespace
}  // namespace shell_test
