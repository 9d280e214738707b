#include "shell_test_support.h"

#include <cstring>
#include <filesystem>

#include "dict_files.h"
#include "fault_injection.h"
#include "support/run_program.h"
#include "zelkit.h"

namespace shell_test {

ShellTest::ShellTest() {
    SetFault("");
    zel::shell::DictFailure failure;
    EXPECT_TRUE(zel::shell::CreateEmptyDictionary(Home(), zel::shell::OLDEST_DICT_TITLE, &failure)) << failure.text;
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
    EXPECT_NE(GetObjectEnv(3, &env_), nullptr);
}

ShellTest::~ShellTest() {
    SetFault("");
    ShellClose();
}

std::string ShellTest::DictPath(const std::string& name) const {
    return (std::filesystem::path(Home()) / "system" / name).string();
}

std::string ShellTest::FileBytes(const std::string& name) const { return zel::testing::ReadFileText(DictPath(name)); }

void ShellTest::Reopen() {
    ASSERT_EQ(ShellClose(), 1);
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
}

void ShellTest::SetFault(const std::string& selection) {
    if (selection.empty()) {
        zel::testing::UnsetEnvironment("ZEL_FAULT");
    } else {
        zel::testing::SetEnvironment("ZEL_FAULT", selection);
    }
    ZelResetFaultInjection();
}

uint32_t ShellTest::AddDatabase(const char* owner, const char* name, uint32_t kind) {
    DatabaseRecord record{};
    record.kind = kind;
    record.name = const_cast<char*>(name);
    record.owner = const_cast<char*>(owner);
    record.charsetCode = CHARSET_CODE_GB18030;
    record.directory = const_cast<char*>("/data/dict");
    record.description = const_cast<char*>("a test database");
    uint32_t id = 0;
    EXPECT_EQ(NewDatabaseInfo(&env_, &record, &id), 1) << LastError();
    return id;
}

uint16_t ShellTest::AddColumn(uint32_t databaseId, const char* name, uint32_t type) {
    ColumnRecord column{};
    column.name = const_cast<char*>(name);
    column.type = type;
    column.value84 = 60;
    column.description = const_cast<char*>("a column");
    uint16_t number = 0;
    EXPECT_EQ(NewDColumnInfo(&env_, databaseId, &column, 0, &number), 1) << LastError();
    return number;
}

std::vector<std::string> ShellTest::DatabaseNames(const char* owner, const char* name) {
    std::vector<std::string> names;
    DatabaseRecord* chain = GetDatabaseInfo(&env_, 0, owner, name);
    for (DatabaseRecord* record = chain; record != nullptr; record = record->next) {
        names.push_back(std::string(record->owner) + "." + record->name);
    }
    FreeDatabaseInfo(chain);
    return names;
}

DatabaseRecord UnchangedDatabase() {
    DatabaseRecord record;
    std::memset(&record, 0xFF, sizeof record);
    for (char** text :
         {&record.name, &record.secondName, &record.owner, &record.text96, &record.text104, &record.text112,
          &record.text120, &record.text128, &record.directory, &record.text176, &record.description}) {
        *text = UNCHANGED_TEXT;
    }
    record.next = nullptr;
    return record;
}

ColumnRecord UnchangedColumn() {
    ColumnRecord record;
    std::memset(&record, 0xFF, sizeof record);
    for (char** text : {&record.name, &record.text16, &record.text32, &record.text48, &record.text56, &record.text64,
                        &record.text72, &record.text104, &record.text112, &record.description}) {
        *text = UNCHANGED_TEXT;
    }
    record.pointer128 = nullptr;
    return record;
}

DataFormatRecord UnchangedFormat() {
    DataFormatRecord record;
    std::memset(&record, 0xFF, sizeof record);
    record.name = record.className = record.extensions = record.description = UNCHANGED_TEXT;
    record.next = nullptr;
    return record;
}

SystemConfigRecord UnchangedConfig() {
    SystemConfigRecord record;
    std::memset(&record, 0xFF, sizeof record);
    record.text0 = record.text48 = record.text56 = record.text64 = UNCHANGED_TEXT;
    record.charsets = nullptr;
    return record;
}

std::string LastError() {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    return std::to_string(Z_GetLastError()) + " " + (text != nullptr ? text : "");
}

}  // namespace shell_test
