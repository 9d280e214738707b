// Profile readers: sections, items, value kinds and the pass-through copy of
// the lines they pass over.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "profile_text.h"
#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

namespace {

struct Item {
    int kind = 0;
    std::string key;
    std::string value;
    int32_t boolean = -7;
    uint32_t number = 7;
};

Item ReadItem(HZFILE file, HZFILE passThrough = nullptr, int room = Z_MAX_LINE) {
    Item item;
    char buffer[Z_MAX_LINE];
    int size = room;
    item.kind = Z_ReadProfileItem(file, buffer, &size, &item.boolean, &item.number, passThrough);
    if (item.kind > 0) {
        item.key = buffer;
        item.value = buffer + size;
        EXPECT_EQ(size, static_cast<int>(item.key.size()) + 1);
    }
    return item;
}

class ProfileFile : public ::testing::Test {
protected:
    HZFILE Open(const std::string& text) {
        WriteText(scratch.file("PROFILE.INI"), text);
        file = Z_OpenFile(scratch.file("PROFILE.INI").c_str(), Z_MODE_READ, 0, nullptr, 0);
        EXPECT_NE(file, nullptr);
        return file;
    }
    void TearDown() override {
        if (file != nullptr) Z_CloseFile(file);
    }
    ScratchDir scratch;
    HZFILE file = nullptr;
};

}  // namespace

TEST_F(ProfileFile, SeekFindsSectionWithoutRegardToCase) {
    Open("[Network]\r\nA=1\r\n  [ indexcache ]  \r\nLowLimit = 100 \r\n[IndexCache]\r\nLowLimit=5\r\n");
    EXPECT_GT(Z_SeekProfileSect(file, "IndexCache"), 0);
    Item item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_NUMBER);
    EXPECT_EQ(item.key, "LowLimit");
    EXPECT_EQ(item.value, "100");
    EXPECT_EQ(item.number, 100u);
    EXPECT_EQ(Z_SeekProfileSect(file, "AutoBatch"), 0);
    EXPECT_GT(Z_SeekProfileSect(file, "network"), 0);
}

TEST_F(ProfileFile, SeekAfterEndStillFindsEarlierSection) {
    Open("[A]\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(Z_SeekProfileSect(file, "C"), 0);
    EXPECT_GT(Z_SeekProfileSect(file, "A"), 0);
    EXPECT_EQ(ReadItem(file).key, "x");
}

TEST_F(ProfileFile, HeaderWithTrailingCommentStillStartsSection) {
    Open("[A]\nx=1\n[Maintain] ; tuning\nIDXAsyncLimit=3\n");
    ASSERT_GT(Z_SeekProfileSect(file, "Maintain"), 0);
    EXPECT_EQ(ReadItem(file).key, "IDXAsyncLimit");
}

TEST_F(ProfileFile, ItemKindsAndValues) {
    Open("[S]\nb1=yes\nb2=Off\nb3=TRUE\nn1=-5\nn2=+42\nbig=2147483648\nt1=WORD_V1\nempty=\nsp = a b \n");
    ASSERT_GT(Z_SeekProfileSect(file, "S"), 0);
    Item item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_BOOLEAN);
    EXPECT_EQ(item.boolean, 1);
    item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_BOOLEAN);
    EXPECT_EQ(item.boolean, 0);
    EXPECT_EQ(ReadItem(file).boolean, 1);
    item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_NUMBER);
    EXPECT_EQ(static_cast<int32_t>(item.number), -5);
    item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_NUMBER);
    EXPECT_EQ(item.number, 42u);
    item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_TEXT);
    EXPECT_EQ(item.value, "2147483648");
    EXPECT_EQ(ReadItem(file).kind, Z_ITEM_TEXT);
    item = ReadItem(file);
    EXPECT_EQ(item.kind, Z_ITEM_TEXT);
    EXPECT_EQ(item.value, "");
    item = ReadItem(file);
    EXPECT_EQ(item.key, "sp");
    EXPECT_EQ(item.value, "a b");
    EXPECT_EQ(ReadItem(file).kind, 0);
}

TEST_F(ProfileFile, HeaderEndingSectionIsDeliveredByNextSectionRead) {
    Open("[A]\r\nx=1\r\n[retrieval]\r\ny=2\r\n");
    char name[Z_MAX_LINE];
    ASSERT_GT(Z_ReadProfileSect(file, name, sizeof name, nullptr), 0);
    EXPECT_STREQ(name, "A");
    EXPECT_EQ(ReadItem(file).key, "x");
    EXPECT_EQ(ReadItem(file).kind, 0);
    EXPECT_EQ(ReadItem(file).kind, 0);  // still at the header
    ASSERT_GT(Z_ReadProfileSect(file, name, sizeof name, nullptr), 0);
    EXPECT_STREQ(name, "retrieval");
    EXPECT_EQ(ReadItem(file).value, "2");
    EXPECT_EQ(ReadItem(file).kind, 0);
    EXPECT_EQ(Z_ReadProfileSect(file, name, sizeof name, nullptr), 0);
    EXPECT_EQ(Z_FileError(file), 0);
}

TEST_F(ProfileFile, PassedOverLinesAreCopiedVerbatimWithCrLf) {
    Open("; head comment\n\n[A]\n# note\n  x = 1\nnot an item\n\n[B]\n\t; tabbed\ny=2\n");
    HZFILE out = Z_CreateFile(scratch.file("PROFILE.INI.NEW").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(out, nullptr);
    char name[Z_MAX_LINE];
    // What a merge does: headers and items written by the caller, the rest
    // copied by the readers.
    while (Z_ReadProfileSect(file, name, sizeof name, out) > 0) {
        Z_WriteFileLineEx(out, (std::string("[") + name + "]").c_str(), 1);
        for (Item item = ReadItem(file, out); item.kind > 0; item = ReadItem(file, out)) {
            Z_WriteFileLineEx(out, (item.key + "=" + item.value).c_str(), 1);
        }
    }
    EXPECT_EQ(Z_FileError(file), 0);
    EXPECT_EQ(Z_FileError(out), 0);
    Z_CloseFile(out);
    EXPECT_EQ(ReadText(scratch.file("PROFILE.INI.NEW")),
              "; head comment\r\n\r\n[A]\r\n# note\r\nx=1\r\nnot an item\r\n\r\n[B]\r\n\t; tabbed\r\ny=2\r\n");
}

TEST_F(ProfileFile, ItemsReadWithoutSectionFromFileStart) {
    Open("\xEF\xBB\xBFLowLimit=10\r\nBTreeIndex=ON\r\n");
    Item item = ReadItem(file);
    EXPECT_EQ(item.key, "LowLimit");
    EXPECT_EQ(item.number, 10u);
    EXPECT_EQ(ReadItem(file).kind, Z_ITEM_BOOLEAN);
    EXPECT_EQ(ReadItem(file).kind, 0);
}

TEST_F(ProfileFile, ByteOrderMarkDoesNotHideFirstHeader) {
    Open("\xEF\xBB\xBF[IndexCache]\r\nLowLimit=1\r\n");
    EXPECT_GT(Z_SeekProfileSect(file, "IndexCache"), 0);
}

TEST_F(ProfileFile, ItemLineLongerThanBufferIsReadError) {
    std::string longValue(40, 'v');
    Open("[A]\nshort=1\nkey=" + longValue + "\nafter=2\n");
    ASSERT_GT(Z_SeekProfileSect(file, "A"), 0);
    EXPECT_EQ(ReadItem(file, nullptr, 44).kind, Z_ITEM_NUMBER);
    EXPECT_LT(ReadItem(file, nullptr, 44).kind, 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    EXPECT_NE(Z_FileError(file), 0);
}

TEST_F(ProfileFile, ItemLineFillingBufferExactlyIsRead) {
    // "key=" and 39 characters: key, NUL, value, NUL take 44 bytes.
    Open("key=" + std::string(39, 'v') + "\r\n");
    Item item = ReadItem(file, nullptr, 44);
    EXPECT_EQ(item.kind, Z_ITEM_TEXT);
    EXPECT_EQ(item.value.size(), 39u);
}

TEST_F(ProfileFile, PassThroughWriteFailureIsReadError) {
    Open("; comment\n[A]\n");
    WriteText(scratch.file("read-only"), "");
    HZFILE out = Z_OpenFile(scratch.file("read-only").c_str(), Z_MODE_READ, 0, nullptr, 0);
    ASSERT_NE(out, nullptr);
    char name[Z_MAX_LINE];
    EXPECT_LT(Z_ReadProfileSect(file, name, sizeof name, out), 0);
    EXPECT_NE(Z_FileError(out), 0);
    Z_CloseFile(out);
}

TEST_F(ProfileFile, InjectedFailureLeavesFileFailed) {
    Open("[A]\nx=1\n");
    FaultScope fault("Z_ReadProfileItem:2");
    ASSERT_GT(Z_SeekProfileSect(file, "A"), 0);
    EXPECT_EQ(ReadItem(file).kind, Z_ITEM_NUMBER);
    EXPECT_LT(ReadItem(file).kind, 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_STREQ(Z_GetLastErrorPrompt(nullptr, 0), "Z_ReadProfileItem: injected failure (ZEL_FAULT)");
    EXPECT_NE(Z_FileError(file), 0);
}

TEST_F(ProfileFile, AppendAfterSearchThatFoundNothing) {
    WriteText(scratch.file("PROFILE.INI"), "[IndexCache]\r\nLowLimit=1\r\n");
    file = Z_OpenFile(scratch.file("PROFILE.INI").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Z_SeekProfileSect(file, "AutoBatch"), 0);
    ASSERT_EQ(Z_SeekFileEnd(file), 1);
    EXPECT_EQ(Z_WriteFileLineEx(file, "\n[AutoBatch]", 1), 1);
    EXPECT_EQ(Z_FileError(file), 0);
    Z_CloseFile(file);
    file = nullptr;
    EXPECT_EQ(ReadText(scratch.file("PROFILE.INI")), "[IndexCache]\r\nLowLimit=1\r\n\n[AutoBatch]\r\n");
}

TEST_F(ProfileFile, WriteAfterPushedBackHeaderLandsBeforeIt) {
    WriteText(scratch.file("PROFILE.INI"), "x=1\r\n[B]\r\n");
    file = Z_OpenFile(scratch.file("PROFILE.INI").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadItem(file).key, "x");
    EXPECT_EQ(ReadItem(file).kind, 0);
    EXPECT_EQ(Z_WriteFileLineEx(file, "[C]", 1), 1);
    Z_CloseFile(file);
    file = nullptr;
    EXPECT_EQ(ReadText(scratch.file("PROFILE.INI")), "x=1\r\n[C]\r\n");
}

// A profile held in memory is read as the file readers read the same bytes:
// the same section, the same items, and a line added at the section's end
// becomes its last item.
namespace {

struct SectionRead {
    bool found = false;
    std::vector<std::pair<std::string, std::string>> items;
};

SectionRead ReadSectionFromFile(const std::string& path, const std::string& name) {
    SectionRead read;
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return read;
    read.found = Z_SeekProfileSect(file, name.c_str()) > 0;
    for (Item item = ReadItem(file); read.found && item.kind > 0; item = ReadItem(file)) {
        read.items.emplace_back(item.key, item.value);
    }
    EXPECT_EQ(Z_FileError(file), 0);
    Z_CloseFile(file);
    return read;
}

SectionRead ReadSectionFromText(const std::string& text, const std::string& name) {
    const zel::toolkit::ProfileTextSection section = zel::toolkit::FindProfileSection(text, name);
    SectionRead read;
    read.found = section.found;
    for (const zel::toolkit::ProfileLine& item : section.items) read.items.emplace_back(item.name, item.value);
    return read;
}

const char* const kProfileTexts[] = {
    "[Net]\r\nA=1\r\n  [ autobatch ]  \r\nProgramStart = a.exe &PORT \r\n; note\r\n\r\nx=1\r\n[AutoBatch]\r\ny=2\r\n",
    "\xEF\xBB\xBF[AutoBatch]\nProgramStart=a\n",
    "[AutoBatch] ; launches\nx=1\nnot an item\n# ProgramStart=commented\n[Next]\ny=2",
    "[AutoBatch]\nProgramStart=a",
    "[AutoBatch]\n=v\n\tkey\t=\tvalue\t\nk=\nk==v\n",
    "[A]\nx=1\n",
    "[AutoBatch\nx=1\n[AutoBatch]]\ny=2\n",
    "[AutoBatch]\r\nk=v\rw\r\n",
    "",
    "[AutoBatch]\r\n",
    "x=1\r\n[AutoBatch]\r\n\r\n; only a comment\r\n",
};

}  // namespace

TEST_F(ProfileFile, TextReaderFindsWhatFileReadersFind) {
    for (const char* text : kProfileTexts) {
        WriteText(scratch.file("PROFILE.INI"), text);
        for (const char* name : {"AutoBatch", " autobatch ", "A", "Next", "Missing"}) {
            const SectionRead fromFile = ReadSectionFromFile(scratch.file("PROFILE.INI"), name);
            const SectionRead fromText = ReadSectionFromText(text, name);
            EXPECT_EQ(fromText.found, fromFile.found) << text << " / " << name;
            EXPECT_EQ(fromText.items, fromFile.items) << text << " / " << name;
        }
    }
}

TEST_F(ProfileFile, LineAddedAtTextSectionEndIsItsLastItemForFileReaders) {
    for (const char* text : kProfileTexts) {
        const std::string profile = text;
        const zel::toolkit::ProfileTextSection section = zel::toolkit::FindProfileSection(profile, "AutoBatch");
        if (!section.found) continue;
        const std::string added = profile.substr(0, section.end) + (section.endUnended ? "\r\n" : "") + "Added=1\r\n" +
                                  profile.substr(section.end);
        WriteText(scratch.file("PROFILE.INI"), added);
        SectionRead read = ReadSectionFromFile(scratch.file("PROFILE.INI"), "AutoBatch");
        ASSERT_FALSE(read.items.empty()) << text;
        EXPECT_EQ(read.items.back(), std::make_pair(std::string("Added"), std::string("1"))) << text;
        read.items.pop_back();
        EXPECT_EQ(read.items, ReadSectionFromText(profile, "AutoBatch").items) << text;
    }
}

TEST_F(ProfileFile, TextLinesAreTheLinesOfTheLineReader) {
    for (const char* text : kProfileTexts) {
        Open(text);
        const std::string copy = text;
        zel::toolkit::ProfileTextLines reader(copy);
        char line[Z_MAX_LINE];
        while (Z_ReadFileLine(file, line, Z_MAX_LINE, nullptr)) {
            ASSERT_TRUE(reader.Next()) << text;
            EXPECT_EQ(reader.Line(), line) << text;
        }
        EXPECT_FALSE(reader.Next()) << text;
        EXPECT_EQ(reader.NextStart(), copy.size());
        Z_CloseFile(file);
        file = nullptr;
    }
}
