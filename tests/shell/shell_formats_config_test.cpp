// Data format records and the system configuration record.
#include <cstring>
#include <string>
#include <vector>

#include "shell_test_support.h"

namespace shell_test {
namespace {

DataFormatRecord Format(uint16_t id, const char* name, const char* className, const char* extensions,
                        const char* description = "") {
    DataFormatRecord record{};
    record.id = id;
    record.flag = 1;
    record.name = const_cast<char*>(name);
    record.className = const_cast<char*>(className);
    record.extensions = const_cast<char*>(extensions);
    record.description = const_cast<char*>(description);
    return record;
}

std::vector<std::string> FormatList(ObjectEnv* env) {
    std::vector<std::string> list;
    DataFormatRecord* chain = GetDataFormatInfo(env, 0, "*", "", "");
    for (DataFormatRecord* record = chain; record != nullptr; record = record->next) {
        list.push_back(std::to_string(record->id) + ":" + record->name);
    }
    FreeDataFormatInfo(chain);
    return list;
}

TEST_F(ShellTest, FormatsKeepAFreeIdAndComeBackInIdOrder) {
    DataFormatRecord word = Format(3, "WORD", "DOCS", "doc;dot");
    DataFormatRecord text = Format(2, "TEXT", "TEXT", "txt");
    DataFormatRecord clash = Format(3, "MYFMT", "DOCS", "my");
    ASSERT_EQ(NewDataFormatInfo(&env_, &word), 1) << LastError();
    ASSERT_EQ(NewDataFormatInfo(&env_, &text), 1) << LastError();
    ASSERT_EQ(NewDataFormatInfo(&env_, &clash), 1) << LastError();
    Reopen();
    EXPECT_EQ(FormatList(&env_), (std::vector<std::string>{"2:TEXT", "3:WORD", "4:MYFMT"}));
    DataFormatRecord* one = GetDataFormatInfo(&env_, 0, "", "word", "");
    ASSERT_NE(one, nullptr);
    EXPECT_STREQ(one->extensions, "doc;dot");
    EXPECT_EQ(one->next, nullptr);
    FreeDataFormatInfo(one);
    EXPECT_EQ(GetDataFormatInfo(&env_, 0, "", "EMAIL", ""), nullptr);
    FreeDataFormatInfo(nullptr);
    DataFormatRecord again = Format(9, "Text", "TEXT", "txt");
    EXPECT_EQ(NewDataFormatInfo(&env_, &again), 0);
}

TEST_F(ShellTest, FormatUpdateRenamesAndKeepsDescriptionBytes) {
    const char gbDescription[] = "\xCE\xC4\xB5\xB5";  // stored as given, not converted
    DataFormatRecord doc = Format(9, "DOC", "DOCS", "doc", gbDescription);
    ASSERT_EQ(NewDataFormatInfo(&env_, &doc), 1) << LastError();
    DataFormatRecord update = UnchangedFormat();
    update.name = const_cast<char*>("DOCS");
    update.extensions = const_cast<char*>("dcs");
    ASSERT_EQ(UpdateDataFormatInfo(&env_, 9, "", &update), 1) << LastError();
    DataFormatRecord flagOnly = UnchangedFormat();
    flagOnly.flag = 0;
    ASSERT_EQ(UpdateDataFormatInfo(&env_, 9, "", &flagOnly), 1) << LastError();
    Reopen();
    DataFormatRecord* got = GetDataFormatInfo(&env_, 0, "", "DOCS", "");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->id, 9);
    EXPECT_EQ(got->flag, 0);
    EXPECT_STREQ(got->className, "DOCS");
    EXPECT_STREQ(got->extensions, "dcs");
    EXPECT_STREQ(got->description, gbDescription);
    FreeDataFormatInfo(got);
    EXPECT_EQ(UpdateDataFormatInfo(&env_, 10, "", &flagOnly), 0);
}

TEST_F(ShellTest, EmptyDictionaryHasAZeroConfiguration) {
    SystemConfigRecord* config = GetSystemCFGInfo(&env_);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->memory, 0);
    EXPECT_EQ(config->charsetCount, 0);
    EXPECT_EQ(config->charsets, nullptr);
    EXPECT_STREQ(config->text0, "");
    FreeSystemCFGInfo(config);
}

TEST_F(ShellTest, ConfigurationUpdateKeepsUnchangedFieldsAndReplacesCharsets) {
    SystemConfigRecord update = UnchangedConfig();
    update.memory = 64;
    update.field18 = 24;
    update.field20 = 24;
    CharsetEntry big5{0x20, 0, 5, 6, 7, 8, 9};
    update.charsets = &big5;
    update.charsetCount = 1;
    ASSERT_EQ(UpdateSystemCFGInfo(&env_, &update), 1) << LastError();

    SystemConfigRecord second = UnchangedConfig();
    second.field18 = 0;
    ASSERT_EQ(UpdateSystemCFGInfo(&env_, &second), 1) << LastError();
    Reopen();
    SystemConfigRecord* config = GetSystemCFGInfo(&env_);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->memory, 64);
    EXPECT_EQ(config->field18, 0);
    EXPECT_EQ(config->field20, 24);
    ASSERT_EQ(config->charsetCount, 1);
    EXPECT_EQ(config->charsets[0].code, 0x20);
    EXPECT_EQ(config->charsets[0].segmentId, 5u);
    EXPECT_EQ(config->charsets[0].antonymId, 9u);
    FreeSystemCFGInfo(config);

    CharsetEntry entries[2] = {{0x10, 0, 1, 2, 3, 4, 5}, big5};
    SystemConfigRecord third = UnchangedConfig();
    third.charsets = entries;
    third.charsetCount = 2;
    ASSERT_EQ(UpdateSystemCFGInfo(&env_, &third), 1) << LastError();
    config = GetSystemCFGInfo(&env_);
    ASSERT_NE(config, nullptr);
    ASSERT_EQ(config->charsetCount, 2);
    EXPECT_EQ(config->charsets[0].code, 0x10);
    EXPECT_EQ(config->charsets[1].code, 0x20);
    EXPECT_EQ(config->memory, 64);
    FreeSystemCFGInfo(config);
}

TEST_F(ShellTest, TooManyCharsetEntriesAreRefused) {
    std::vector<CharsetEntry> entries(17, CharsetEntry{0x10, 0, 1, 2, 3, 4, 5});
    SystemConfigRecord update = UnchangedConfig();
    update.charsets = entries.data();
    update.charsetCount = 17;
    std::string before = FileBytes("CONFIG.DIC");
    EXPECT_EQ(UpdateSystemCFGInfo(&env_, &update), 0);
    EXPECT_NE(LastError().find("UpdateSystemCFGInfo"), std::string::npos);
    EXPECT_EQ(FileBytes("CONFIG.DIC"), before);
}

}  // namespace
}  // namespace shell_test
