#include "system_config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

#include "dictionary/dictionary_step_fixture.h"
#include "zelkit.h"
#include "zemshell.h"

// Found by argument-dependent lookup, so beside the record's own namespace.
static bool operator==(const CharsetEntry& a, const CharsetEntry& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

static void PrintTo(const CharsetEntry& e, std::ostream* out) {
    *out << "{0x" << std::hex << e.code << std::dec << " " << e.segmentId << " " << e.stopId << " " << e.thesaurusId
         << " " << e.synonymId << " " << e.antonymId << "}";
}

namespace dictionary_test {
namespace {

struct Config {
    uint16_t memory = 0;
    uint16_t field18 = 0;
    uint16_t field20 = 0;
    std::vector<CharsetEntry> charsets;
};

CharsetEntry Entry(uint16_t code, uint32_t segment, uint32_t stop, uint32_t thesaurus, uint32_t synonym,
                   uint32_t antonym) {
    CharsetEntry entry{};
    entry.code = code;
    entry.segmentId = segment;
    entry.stopId = stop;
    entry.thesaurusId = thesaurus;
    entry.synonymId = synonym;
    entry.antonymId = antonym;
    return entry;
}

class SystemConfig : public DictionaryStepTest {
protected:
    // Writes the installed configuration the step starts from.
    void Install(uint16_t memory, uint16_t field18, uint16_t field20, std::vector<CharsetEntry> charsets = {}) {
        ObjectEnv env = env_;
        env.objectKind = OBJECT_SYSTEM_CONFIG;
        SystemConfigRecord update;
        std::memset(&update, 0xFF, sizeof update);
        update.text0 = update.text48 = update.text56 = update.text64 = UNCHANGED_TEXT;
        update.memory = memory;
        update.field18 = field18;
        update.field20 = field20;
        update.charsetCount = static_cast<uint16_t>(charsets.size());
        update.charsets = charsets.data();
        CharsetEntry none{};
        if (charsets.empty()) update.charsets = &none;
        ASSERT_EQ(UpdateSystemCFGInfo(&env, &update), 1) << LastErrorText();
    }

    Config Read() {
        ObjectEnv env = env_;
        env.objectKind = OBJECT_SYSTEM_CONFIG;
        SystemConfigRecord* record = GetSystemCFGInfo(&env);
        EXPECT_NE(record, nullptr) << LastErrorText();
        Config config;
        if (record == nullptr) return config;
        config.memory = record->memory;
        config.field18 = record->field18;
        config.field20 = record->field20;
        for (uint16_t i = 0; i < record->charsetCount; ++i) config.charsets.push_back(record->charsets[i]);
        FreeSystemCFGInfo(record);
        return config;
    }
};

TEST_F(SystemConfig, FieldsOf24BecomeZeroAndOthersStay) {
    Install(64, 24, 12);
    SetDetectedMemory("32");
    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
    EXPECT_EQ(env_.objectKind, OBJECT_SYSTEM_CONFIG);
    Config config = Read();
    EXPECT_EQ(config.field18, 0);
    EXPECT_EQ(config.field20, 12);
    EXPECT_EQ(config.memory, 64);
}

TEST_F(SystemConfig, MemoryFigureOnlyGrows) {
    Install(64, 0, 24);
    SetDetectedMemory("128");
    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
    Config config = Read();
    EXPECT_EQ(config.memory, 128);
    EXPECT_EQ(config.field20, 0);
}

TEST_F(SystemConfig, MemoryBeyondTheFieldStaysAtItsLargestValue) {
    Install(64, 0, 0);
    SetDetectedMemory("65600");  // would wrap to 64 in 16 bits
    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
    // 0xFFFF would mean "no change" in the update.
    EXPECT_EQ(Read().memory, 0xFFFE);
    SetDetectedMemory("65535");
    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
    EXPECT_EQ(Read().memory, 0xFFFE);
}

TEST_F(SystemConfig, NothingToChangeIsNotWritten) {
    Install(64, 0, 12);
    SetDetectedMemory("64");
    SetFault("UpdateSystemCFGInfo");
    EXPECT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
}

TEST_F(SystemConfig, ChosenNativeCharsetAlwaysWrites) {
    Install(64, 0, 12);
    SetDetectedMemory("64");
    outcome_.nativeCharsetChosen = Z_CHARSET_GB18030;
    SetFault("UpdateSystemCFGInfo");
    EXPECT_EQ(UpdateSystemConfig(run_), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST_F(SystemConfig, NewDatabasesOfOneCharsetJoinTheOldEntries) {
    Install(64, 0, 0, {Entry(CHARSET_CODE_BIG5, 21, 22, 23, 24, 25), Entry(CHARSET_CODE_NONE, 31, 0, 0, 0, 0)});
    SetDetectedMemory("64");
    outcome_.newSystemDatabase = true;
    outcome_.lexiconIds[SEGMENT_GB] = 11;
    outcome_.lexiconIds[STOP_GB] = 12;
    outcome_.relationIds[RELATION_THESAURUS][RELATION_GB] = 13;
    outcome_.relationIds[RELATION_SYNONYM][RELATION_GB] = 14;
    outcome_.relationIds[RELATION_ANTONYM][RELATION_GB] = 15;

    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();

    // The 0x30 entry keeps its segmentation id: nothing in this run records one.
    std::vector<CharsetEntry> expected = {Entry(CHARSET_CODE_GB18030, 11, 12, 13, 14, 15),
                                          Entry(CHARSET_CODE_BIG5, 21, 22, 23, 24, 25),
                                          Entry(CHARSET_CODE_NONE, 31, 0, 0, 0, 0)};
    EXPECT_EQ(Read().charsets, expected);
}

TEST_F(SystemConfig, EntriesComeInCodeOrderWithRecordedIdsOverOldOnes) {
    Install(64, 0, 0, {Entry(CHARSET_CODE_NONE, 31, 32, 0, 0, 0), Entry(CHARSET_CODE_UTF8, 41, 42, 43, 44, 45)});
    SetDetectedMemory("64");
    outcome_.newSystemDatabase = true;
    outcome_.lexiconIds[STOP_BIG5] = 22;
    outcome_.lexiconIds[SEGMENT_UTF8] = 51;
    outcome_.relationIds[RELATION_ANTONYM][RELATION_UTF8] = 55;
    outcome_.stopEnglishId = 62;
    outcome_.relationIds[RELATION_SYNONYM][RELATION_ENGLISH] = 64;
    outcome_.relationIds[RELATION_THESAURUS][RELATION_GB] = 13;

    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();

    std::vector<CharsetEntry> expected = {
        Entry(CHARSET_CODE_GB18030, 0, 0, 13, 0, 0), Entry(CHARSET_CODE_BIG5, 0, 22, 0, 0, 0),
        Entry(CHARSET_CODE_UTF8, 51, 42, 43, 44, 55), Entry(CHARSET_CODE_NONE, 31, 62, 0, 64, 0)};
    EXPECT_EQ(Read().charsets, expected);
}

TEST_F(SystemConfig, CodesWithoutIdsAreLeftOut) {
    SetDetectedMemory("0");
    outcome_.newSystemDatabase = true;
    outcome_.relationIds[RELATION_SYNONYM][RELATION_UTF8] = 7;
    ASSERT_EQ(UpdateSystemConfig(run_), 1) << LastErrorText();
    EXPECT_EQ(Read().charsets, (std::vector<CharsetEntry>{Entry(CHARSET_CODE_UTF8, 0, 0, 0, 7, 0)}));
}

TEST_F(SystemConfig, EachFailingCallFails) {
    Install(64, 24, 0);
    outcome_.newSystemDatabase = true;
    for (const char* fault : {"GetSystemCFGInfo", "UpdateSystemCFGInfo"}) {
        SCOPED_TRACE(fault);
        SetFault(fault);
        EXPECT_EQ(UpdateSystemConfig(run_), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    }
    SetFault("");
    EXPECT_EQ(Read().field18, 24);
}

}  // namespace
}  // namespace dictionary_test
