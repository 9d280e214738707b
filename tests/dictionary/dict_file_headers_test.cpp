#include "dict_file_headers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "dict_files.h"
#include "dictionary/dictionary_test_support.h"
#include "support/scratch_dir.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

namespace fs = std::filesystem;
using zel::testing::ReadFileText;
using zel::testing::ScratchDir;
using zel::testing::WriteFileText;

constexpr uint16_t GROUP_INDEX = 1;
constexpr uint16_t VIEW_INDEX = 5;

void PutU32(std::string& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A header with recognisable bytes in the fields the upgrade must keep.
std::string Header(const std::string& title, uint32_t recordSize, uint32_t recordCount) {
    std::string header(96, '\0');
    for (size_t i = 0; i < 8; ++i) header[i] = static_cast<char>(0xA0 + i);
    for (size_t i = 16; i < 32; ++i) header[i] = static_cast<char>(0xB0 + i);
    PutU32(header, 8, recordSize);
    PutU32(header, 12, recordCount);
    std::memcpy(&header[32], title.data(), std::min<size_t>(title.size(), 64));
    return header;
}

// A 72-byte record whose byte i holds first + i, so that every moved field
// shows where it came from.
std::string NumberedRecord(uint8_t first) {
    std::string record(72, '\0');
    for (size_t i = 0; i < 72; ++i) record[i] = static_cast<char>(first + i);
    return record;
}

class DictFileHeaders : public ::testing::Test {
protected:
    ScratchDir scratch_{"dict-headers"};
    std::string home_ = scratch_.Path("home");

    fs::path FilePath(uint16_t index) const { return fs::path(home_) / "system" / DictFileName(index); }
    void Write(uint16_t index, const std::string& bytes) const { WriteFileText(FilePath(index), bytes); }
    std::string Read(uint16_t index) const { return ReadFileText(FilePath(index)); }
    bool LeftoverFiles() const {
        for (const auto& entry : fs::directory_iterator(fs::path(home_) / "system")) {
            if (entry.path().extension() != ".DIC") return true;
        }
        return false;
    }
};

TEST_F(DictFileHeaders, NamesTheNineFilesByIndex) {
    const char* expected[] = {"CONFIG.DIC", "GROUP.DIC",   "USER.DIC",  "BASE.DIC",  "BASECOL.DIC",
                              "VIEW.DIC",   "VIEWCOL.DIC", "RIGHT.DIC", "FORMAT.DIC"};
    for (uint16_t i = 0; i < 9; ++i) EXPECT_STREQ(DictFileName(i), expected[i]);
    EXPECT_EQ(DictFileName(9), nullptr);
    EXPECT_EQ(UpdateDictFile(9, home_.c_str()), 0);
}

TEST_F(DictFileHeaders, CurrentFileIsLeftByteForByte) {
    for (uint16_t index : {GROUP_INDEX, VIEW_INDEX}) {
        // Even a VIEW.DIC whose size would be refused: a current file is not looked into.
        std::string bytes = Header("4.02", 64, 3) + "records that stay";
        Write(index, bytes);
        EXPECT_EQ(UpdateDictFile(index, home_.c_str()), 1);
        EXPECT_EQ(Read(index), bytes);
    }
    std::string lowerCase = Header("4.02", 72, 0);
    lowerCase[40] = 'x';  // bytes behind the NUL do not matter
    Write(0, lowerCase);
    EXPECT_EQ(UpdateDictFile(0, home_.c_str()), 1);
    EXPECT_EQ(Read(0), lowerCase);
}

TEST_F(DictFileHeaders, OldTitleBecomesCurrentKeepingTheRestOfTheField) {
    std::string header = Header("4.01", 40, 2);
    for (size_t i = 37; i < 96; ++i) header[i] = static_cast<char>(i);
    std::string records(80, 'r');
    Write(GROUP_INDEX, header + records);

    ASSERT_EQ(UpdateDictFile(GROUP_INDEX, home_.c_str()), 1);

    std::string expected = header;
    std::memcpy(&expected[32], "4.02", 5);
    EXPECT_EQ(Read(GROUP_INDEX), expected + records);
    EXPECT_FALSE(LeftoverFiles());
}

TEST_F(DictFileHeaders, HomeWithOrWithoutSeparatorGivesTheSameFile) {
    Write(2, Header("ZEL4.0 Data Dictionary", 10, 0));
    std::string withSeparator = home_ + Z_PATH_SEPARATOR_TEXT;
    ASSERT_EQ(UpdateDictFile(2, withSeparator.c_str()), 1);
    EXPECT_EQ(Read(2).substr(32, 5), std::string("4.02\0", 5));
    Write(3, Header("ZEL4.0 Data Dictionary", 10, 0));
    ASSERT_EQ(UpdateDictFile(3, home_.c_str()), 1);
    EXPECT_EQ(Read(3).substr(32, 5), std::string("4.02\0", 5));
}

TEST_F(DictFileHeaders, MissingFileOrShortHeaderFails) {
    fs::create_directories(fs::path(home_) / "system");
    EXPECT_EQ(UpdateDictFile(7, home_.c_str()), 0);
    std::string shortHeader = Header("4.01", 10, 0).substr(0, 95);
    Write(7, shortHeader);
    EXPECT_EQ(UpdateDictFile(7, home_.c_str()), 0);
    EXPECT_EQ(Read(7), shortHeader);
}

TEST_F(DictFileHeaders, TitleWithoutNulIsReadWithinItsField) {
    std::string header = Header(std::string(64, 'T'), 10, 0);
    Write(8, header);
    ASSERT_EQ(UpdateDictFile(8, home_.c_str()), 1);
    std::string expected = header;
    std::memcpy(&expected[32], "4.02", 5);
    EXPECT_EQ(Read(8), expected);

    // A field that starts with the current title but has no NUL is not current.
    std::string almost = Header("4.02" + std::string(60, 'x'), 10, 0);
    Write(8, almost);
    ASSERT_EQ(UpdateDictFile(8, home_.c_str()), 1);
    EXPECT_EQ(Read(8)[36], '\0');
}

TEST_F(DictFileHeaders, ViewRecordsOfOldestLayoutMoveUp) {
    std::string first = NumberedRecord(0);
    std::string second = NumberedRecord(100);
    // The title compares without regard to case.
    Write(VIEW_INDEX, Header("zel4.0 DATA dictionary", 72, 2) + first + second);

    ASSERT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);

    std::string result = Read(VIEW_INDEX);
    ASSERT_EQ(result.size(), 96u + 144u);
    EXPECT_EQ(result.substr(32, 5), std::string("4.02\0", 5));
    for (size_t r = 0; r < 2; ++r) {
        const std::string old = r == 0 ? first : second;
        const std::string record = result.substr(96 + 72 * r, 72);
        EXPECT_EQ(record.substr(0, 4), old.substr(0, 4));
        EXPECT_EQ(record.substr(4, 4), std::string(4, '\0'));
        EXPECT_EQ(record.substr(8, 26), old.substr(8, 26));  // 8..33 in place
        EXPECT_EQ(record.substr(34, 2), std::string(2, '\0'));
        EXPECT_EQ(record.substr(36, 6), old.substr(34, 6));  // three 2-byte fields up by 2
        EXPECT_EQ(record.substr(42, 2), std::string(2, '\0'));
        EXPECT_EQ(record.substr(44, 12), old.substr(40, 12));  // three 4-byte fields up by 4
        EXPECT_EQ(record.substr(56, 16), old.substr(56, 16));  // old 52..55 are gone
    }
}

TEST_F(DictFileHeaders, ViewRecordOfRelease400MovesLikeTheOldest) {
    std::string old = NumberedRecord(1);
    Write(VIEW_INDEX, Header("ZEL4.0 Data Dictionary V4.0.0", 72, 1) + old);
    ASSERT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);
    std::string record = Read(VIEW_INDEX).substr(96);
    ASSERT_EQ(record.size(), 72u);
    EXPECT_EQ(record.substr(36, 2), old.substr(34, 2));
    EXPECT_EQ(record.substr(44, 4), old.substr(40, 4));
    EXPECT_EQ(record.find(old.substr(52, 4)), std::string::npos);
}

TEST_F(DictFileHeaders, ViewRecordsOf401KeepTheirPlaces) {
    std::string old = NumberedRecord(1);
    Write(VIEW_INDEX, Header("4.01", 72, 1) + old);
    ASSERT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);
    std::string expected = old;
    for (size_t i : {4u, 5u, 6u, 7u, 34u, 35u, 42u, 43u}) expected[i] = '\0';
    EXPECT_EQ(Read(VIEW_INDEX).substr(96), expected);
}

TEST_F(DictFileHeaders, ViewOfUnknownTitleKeepsItsRecords) {
    std::string records = NumberedRecord(3) + NumberedRecord(9);
    std::string header = Header("Some other title", 72, 2);
    Write(VIEW_INDEX, header + records);
    ASSERT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);
    std::string expected = header;
    std::memcpy(&expected[32], "4.02", 5);
    EXPECT_EQ(Read(VIEW_INDEX), expected + records);
}

TEST_F(DictFileHeaders, EmptyViewGetsOnlyTheNewHeader) {
    // Without records the stored record size converts nothing: it becomes 72.
    for (uint32_t recordSize : {72u, 64u, 0u}) {
        SCOPED_TRACE(recordSize);
        Write(VIEW_INDEX, Header("4.01", recordSize, 0));
        ASSERT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);
        EXPECT_EQ(Read(VIEW_INDEX), Header("4.02", 72, 0));
        EXPECT_FALSE(LeftoverFiles());
    }
    // An empty file that is longer than its header still holds something.
    const std::string longer = Header("4.01", 64, 0) + "bytes";
    Write(VIEW_INDEX, longer);
    EXPECT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 0);
    EXPECT_EQ(Read(VIEW_INDEX), longer);
}

// Refused with a text naming the file and why, for the driver's error line.
TEST_F(DictFileHeaders, ViewThatDoesNotHoldItsRecordsExactlyIsRefusedUntouched) {
    const std::string record = NumberedRecord(0);
    const std::string view = FilePath(VIEW_INDEX).string();
    const struct {
        std::string bytes;
        std::string cause;
    } refused[] = {
        {Header("4.01", 64, 1) + std::string(64, 'r'),
         view + " holds records of 64 bytes; only records of 72 bytes can be converted"},
        {Header("4.01", 72, 2) + record,
         view + " is 168 bytes long, but its header announces 2 records of 72 bytes (240 bytes with the header)"},
        {Header("4.01", 72, 1) + record + "trailing",
         view + " is 176 bytes long, but its header announces 1 records of 72 bytes (168 bytes with the header)"},
        {Header("4.01", 72, 0x3FFFFFFF) + record, view + " announces 1073741823 records of 72 bytes, more than 4 GiB"},
    };
    for (const auto& [bytes, cause] : refused) {
        Write(VIEW_INDEX, bytes);
        EXPECT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 0);
        EXPECT_EQ(std::string(Z_GetLastErrorPrompt(nullptr, 0)), "UpdateDictFile: " + cause);
        EXPECT_EQ(Read(VIEW_INDEX), bytes);
        EXPECT_FALSE(LeftoverFiles());
    }
}

TEST_F(DictFileHeaders, FailedRewriteLeavesTheFileAsItWas) {
    const std::string view = Header("4.01", 72, 2) + NumberedRecord(0) + NumberedRecord(50);
    const std::string group = Header("4.01", 8, 1) + "12345678";
    for (const char* fault : {"Z_CreateFile", "Z_WriteFile", "Z_WriteFile:2", "Z_ReplaceFile", "Z_ReadFile:2"}) {
        SCOPED_TRACE(fault);
        Write(VIEW_INDEX, view);
        Write(GROUP_INDEX, group);
        {
            dictionary_test::FaultScope scope(fault);
            EXPECT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 0);
        }
        {
            dictionary_test::FaultScope scope(fault);
            EXPECT_EQ(UpdateDictFile(GROUP_INDEX, home_.c_str()), 0);
        }
        // A failure on the file names it (here the new version written
        // beside it); an injected rename says only that it was injected.
        if (std::string(fault) != "Z_ReplaceFile") {
            EXPECT_NE(std::string(Z_GetLastErrorPrompt(nullptr, 0)).find(FilePath(GROUP_INDEX).string()),
                      std::string::npos)
                << Z_GetLastErrorPrompt(nullptr, 0);
        }
        EXPECT_EQ(Read(VIEW_INDEX), view);
        EXPECT_EQ(Read(GROUP_INDEX), group);
        EXPECT_FALSE(LeftoverFiles());
    }
    // Once the fault is gone the same files upgrade.
    EXPECT_EQ(UpdateDictFile(VIEW_INDEX, home_.c_str()), 1);
    EXPECT_EQ(UpdateDictFile(GROUP_INDEX, home_.c_str()), 1);
}

TEST_F(DictFileHeaders, UpgradedDictionaryOpensAndASecondRunChangesNothing) {
    zel::shell::DictFailure failure;
    ASSERT_TRUE(zel::shell::CreateEmptyDictionary(home_, "ZEL4.0 Data Dictionary V4.0.0", &failure)) << failure.text;
    for (uint16_t index = 0; index < 9; ++index) ASSERT_EQ(UpdateDictFile(index, home_.c_str()), 1) << index;
    std::string upgraded[9];
    for (uint16_t index = 0; index < 9; ++index) {
        upgraded[index] = Read(index);
        EXPECT_EQ(upgraded[index].substr(32, 5), std::string("4.02\0", 5));
    }
    ASSERT_EQ(ShellOpen(home_.c_str(), -1, -1, -1, -1), 1) << Z_GetLastErrorPrompt(nullptr, 0);
    ShellClose();
    for (uint16_t index = 0; index < 9; ++index) ASSERT_EQ(UpdateDictFile(index, home_.c_str()), 1) << index;
    for (uint16_t index = 0; index < 9; ++index) EXPECT_EQ(Read(index), upgraded[index]) << index;
}

}  // namespace
