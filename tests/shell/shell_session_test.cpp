// Opening, closing and the dictionary files' headers.
#include <cstring>
#include <filesystem>
#include <string>

#include "dict_files.h"
#include "shell_catalog.h"
#include "shell_test_support.h"
#include "support/scratch_dir.h"
#include "zelkit.h"

namespace shell_test {
namespace {

namespace fs = std::filesystem;
using zel::testing::ReadFileText;
using zel::testing::WriteFileText;

uint32_t U32At(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

void PutTitle(std::string& bytes, const std::string& title) {
    std::memset(bytes.data() + 32, 0, 64);
    std::memcpy(bytes.data() + 32, title.data(), title.size());
}

TEST_F(ShellTest, OpensEveryKnownTitleWithoutRegardToCase) {
    for (const char* title : {"zel4.0 data dictionary", "ZEL4.0 DATA DICTIONARY v4.0.0", "4.01", "4.02"}) {
        ASSERT_EQ(ShellClose(), 1);
        for (const char* name : zel::shell::DICT_FILE_NAMES) {
            std::string bytes = FileBytes(name);
            PutTitle(bytes, title);
            WriteFileText(DictPath(name), bytes);
        }
        EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << title << ": " << LastError();
    }
}

TEST_F(ShellTest, RefusesAnUnknownTitleNamingTheFile) {
    ASSERT_EQ(ShellClose(), 1);
    std::string bytes = FileBytes("RIGHT.DIC");
    PutTitle(bytes, "5.00");
    WriteFileText(DictPath("RIGHT.DIC"), bytes);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
    EXPECT_NE(LastError().find("ShellOpen"), std::string::npos);
    EXPECT_NE(LastError().find("RIGHT.DIC"), std::string::npos);
    EXPECT_EQ(GetObjectEnv(3, &env_), nullptr);
}

TEST_F(ShellTest, TitleFieldWithoutNulIsReadWithinTheHeader) {
    ASSERT_EQ(ShellClose(), 1);
    std::string bytes = FileBytes("USER.DIC");
    std::memset(bytes.data() + 32, 'A', 64);
    WriteFileText(DictPath("USER.DIC"), bytes);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
    EXPECT_NE(LastError().find(std::string(64, 'A')), std::string::npos);
}

TEST_F(ShellTest, RefusesAMissingOrCutShortFile) {
    ASSERT_EQ(ShellClose(), 1);
    std::string view = FileBytes("VIEW.DIC");
    fs::remove(DictPath("VIEW.DIC"));
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
    EXPECT_NE(LastError().find("VIEW.DIC"), std::string::npos);

    view[12] = 3;  // three records announced, none there
    WriteFileText(DictPath("VIEW.DIC"), view);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
    EXPECT_NE(LastError().find("cut short"), std::string::npos);
}

TEST_F(ShellTest, UninterpretedFilesMayHoldRecordsOfAnySize) {
    ASSERT_EQ(ShellClose(), 1);
    std::string view = FileBytes("VIEW.DIC");
    view[8] = 80;
    view[12] = 2;
    view += std::string(160, '\x5A');
    WriteFileText(DictPath("VIEW.DIC"), view);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();
    AddDatabase("NEWS", "ARCHIVE");
    EXPECT_EQ(FileBytes("VIEW.DIC"), view);
}

TEST_F(ShellTest, RewrittenFileKeepsTitleAndOpaqueHeaderBytes) {
    ASSERT_EQ(ShellClose(), 1);
    std::string bytes = FileBytes("BASE.DIC");
    for (size_t i = 0; i < 8; ++i) bytes[i] = static_cast<char>(0xA0 + i);
    for (size_t i = 16; i < 32; ++i) bytes[i] = static_cast<char>(0xB0 + i);
    PutTitle(bytes, "4.01");
    bytes[32 + 10] = 'x';  // bytes behind the title's NUL
    WriteFileText(DictPath("BASE.DIC"), bytes);
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1) << LastError();

    AddDatabase("NEWS", "ARCHIVE");
    AddDatabase("NEWS", "DAILY");
    std::string after = FileBytes("BASE.DIC");
    EXPECT_EQ(after.substr(0, 8), bytes.substr(0, 8));
    EXPECT_EQ(after.substr(16, 80), bytes.substr(16, 80));
    uint32_t size = U32At(after, 8);
    EXPECT_EQ(U32At(after, 12), 2u);
    EXPECT_EQ(after.size(), 96u + 2u * size);
}

TEST_F(ShellTest, NoTemporaryFileStaysBehind) {
    uint32_t id = AddDatabase("NEWS", "ARCHIVE");
    AddColumn(id, "TITLE");
    EXPECT_EQ(SetSystemCharset(1), 1);
    for (const auto& entry : fs::directory_iterator(fs::path(Home()) / "system")) {
        EXPECT_EQ(entry.path().extension().string(), ".DIC") << entry.path();
    }
}

TEST_F(ShellTest, NativeCharsetIsReportedSetAndKept) {
    EXPECT_EQ(SetSystemCharset(0), 0);
    EXPECT_NE(SetSystemCharset(2), 0);
    EXPECT_EQ(SetSystemCharset(0), 2);
    Reopen();
    EXPECT_EQ(SetSystemCharset(0), 2);
    EXPECT_EQ(SetSystemCharset(4), 0);
    EXPECT_NE(LastError().find("SetSystemCharset"), std::string::npos);
    EXPECT_EQ(SetSystemCharset(0), 2);
}

TEST_F(ShellTest, ObjectEnvironmentOnlyWhileOpen) {
    ObjectEnv env;
    std::memset(&env, 0x55, sizeof env);
    EXPECT_EQ(GetObjectEnv(3, &env), &env);
    EXPECT_EQ(env.objectKind, 3);
    ASSERT_EQ(ShellClose(), 1);
    EXPECT_EQ(GetObjectEnv(3, &env), nullptr);
    EXPECT_EQ(GetDatabaseInfo(&env, 0, "*", "*"), nullptr);
    EXPECT_NE(LastError().find("GetDatabaseInfo: no data dictionary is open"), std::string::npos);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1);
    EXPECT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 0);
}

TEST_F(ShellTest, CatalogFindsDatabasesOfTheOpenHome) {
    uint32_t id = AddDatabase("LIBRARY", "BOOKS");
    zel::shell::DatabaseSummary summary;
    ASSERT_TRUE(zel::shell::FindDatabase(id, &summary));
    EXPECT_EQ(summary.name, "BOOKS");
    EXPECT_EQ(summary.owner, "LIBRARY");
    EXPECT_EQ(summary.directory, "/data/dict");
    EXPECT_FALSE(zel::shell::FindDatabase(id + 1, &summary));
    EXPECT_EQ(zel::shell::OpenHomeDirectory(), Home());
    ASSERT_EQ(ShellClose(), 1);
    EXPECT_EQ(zel::shell::OpenHomeDirectory(), "");
    EXPECT_FALSE(zel::shell::FindDatabase(id, &summary));
    ASSERT_EQ(ShellOpen(Home().c_str(), -1, -1, -1, -1), 1);
}

}  // namespace
}  // namespace shell_test
