#include "dictionary/dictionary_step_fixture.h"

#include <filesystem>

#include "dict_files.h"
#include "fault_injection.h"
#include "host_libraries.h"
#include "open_dictionary.h"
#include "shell_answers.h"
#include "support/run_program.h"
#include "zelkit.h"
#include "zemshell.h"

// The steps tell an empty answer from a failure by the shell's not-found code.
static_assert(SHELL_NOTHING_FOUND == zel::shell::SHELL_ERROR_NOT_FOUND);

namespace dictionary_test {

DictionaryStepTest::DictionaryStepTest() {
    SetFault("");
    SetDetectedMemory("");
    ConnectHostLibraries();
    std::filesystem::create_directories(scratch_.Root() / "package");
    ResetRunState();
    zel::shell::DictFailure failure;
    EXPECT_TRUE(zel::shell::CreateEmptyDictionary(Home(), "4.02", &failure)) << failure.text;
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastErrorText();
    EXPECT_NE(GetObjectEnv(3, &env_), nullptr) << LastErrorText();
}

DictionaryStepTest::~DictionaryStepTest() {
    SetFault("");
    SetDetectedMemory("");
    for (DatabaseRecord* record : found_) FreeDatabaseInfo(record);
    ShellClose();
}

void DictionaryStepTest::WritePackageFile(const std::string& name, const std::string& text) const {
    zel::testing::WriteFileText(scratch_.Root() / "package" / name, text);
}

void DictionaryStepTest::ResetRunState() {
    const ObjectEnv env = run_.env;
    run_ = RunContext{};
    run_.env = env;
    std::snprintf(run_.choices.home, sizeof run_.choices.home, "%s", Home().c_str());
    std::snprintf(run_.choices.packageDir, sizeof run_.choices.packageDir, "%s", scratch_.Path("package").c_str());
}

void DictionaryStepTest::SetFault(const std::string& selection) {
    if (selection.empty()) {
        zel::testing::UnsetEnvironment("ZEL_FAULT");
    } else {
        zel::testing::SetEnvironment("ZEL_FAULT", selection);
    }
    ZelResetFaultInjection();
}

void DictionaryStepTest::SetDetectedMemory(const std::string& megabytes) {
    if (megabytes.empty()) {
        zel::testing::UnsetEnvironment("ZEL_MEMDETECT");
    } else {
        zel::testing::SetEnvironment("ZEL_MEMDETECT", megabytes);
    }
}

const DatabaseRecord* DictionaryStepTest::FindDatabase(const char* owner, const char* name) {
    ObjectEnv env = env_;
    env.objectKind = OBJECT_DATABASE;
    DatabaseRecord* record = GetDatabaseInfo(&env, 0, owner, name);
    if (record != nullptr) found_.push_back(record);
    return record;
}

uint32_t DictionaryStepTest::NewDatabase(const char* name, uint32_t kind, uint16_t charsetCode) {
    ObjectEnv env = env_;
    env.objectKind = OBJECT_DATABASE;
    DatabaseRecord record{};
    record.kind = kind;
    record.name = const_cast<char*>(name);
    record.owner = const_cast<char*>("SYSTEM");
    record.charsetCode = charsetCode;
    uint32_t id = 0;
    EXPECT_EQ(NewDatabaseInfo(&env, &record, &id), 1) << LastErrorText();
    return id;
}

uint16_t DictionaryStepTest::NewColumn(uint32_t databaseId, const char* name, uint8_t flag95, uint8_t flag97) {
    ObjectEnv env = env_;
    env.objectKind = OBJECT_COLUMN;
    ColumnRecord column{};
    column.name = const_cast<char*>(name);
    column.type = COLUMN_CHAR;
    column.databaseId = databaseId;
    column.flag95 = flag95;
    column.flag97 = flag97;
    uint16_t number = 0;
    EXPECT_EQ(NewDColumnInfo(&env, databaseId, &column, 0, &number), 1) << LastErrorText();
    return number;
}

int DictionaryStepTest::ColumnFlags(uint32_t databaseId, const char* name, uint8_t* flag95, uint8_t* flag97) {
    ObjectEnv env = env_;
    env.objectKind = OBJECT_COLUMN;
    ColumnRecord* column = GetDColumnInfo(&env, databaseId, 0, name, 0);
    if (column == nullptr) return -1;
    *flag95 = column->flag95;
    *flag97 = column->flag97;
    FreeDColumnInfo(column);
    return 0;
}

std::string Printed(const std::function<void()>& call) {
    ::testing::internal::CaptureStdout();
    call();
    return ::testing::internal::GetCapturedStdout();
}

std::string LastErrorText() { return std::to_string(Z_GetLastError()) + " " + Z_GetLastErrorPrompt(nullptr, 0); }

}  // namespace dictionary_test
