// Fault injection, the last error, memory and console input.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

TEST(FaultInjection, NamedCallFailsOnItsCountOnly) {
    ScratchDir scratch;
    WriteText(scratch.file("a"), "x");
    FaultScope fault("Z_OpenFile:2");
    HZFILE first = Z_OpenFile(scratch.file("a").c_str(), Z_MODE_READ, 0, nullptr, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Z_OpenFile(scratch.file("a").c_str(), Z_MODE_READ, 0, nullptr, 0), nullptr);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    // Named with the file, as a real failure would be.
    EXPECT_EQ(std::string(Z_GetLastErrorPrompt(nullptr, 0)),
              "Z_OpenFile: cannot open " + scratch.file("a") + ": injected failure (ZEL_FAULT)");
    HZFILE third = Z_OpenFile(scratch.file("a").c_str(), Z_MODE_READ, 0, nullptr, 0);
    EXPECT_NE(third, nullptr);
    Z_CloseFile(first);
    Z_CloseFile(third);
}

TEST(FaultInjection, SeveralNamesWithDefaultCountOfOne) {
    FaultScope fault("Z_MemAlloc,Z_DeleteFile:1");
    EXPECT_EQ(Z_MemAlloc(16, 0), nullptr);
    void* block = Z_MemAlloc(16, 0);
    EXPECT_NE(block, nullptr);
    Z_MemFree(block);
    EXPECT_EQ(Z_DeleteFile("whatever"), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST(FaultInjection, StarSelectsTheNthFaultPointOfTheRunAndLogNamesEveryCall) {
    ScratchDir scratch;
    WriteText(scratch.file("a"), "line\n");
    std::string log = scratch.file("fault.log");
    {
        FaultScope fault("*:3", log.c_str());
        HZFILE file = Z_OpenFile(scratch.file("a").c_str(), Z_MODE_READ, 0, nullptr, 0);
        ASSERT_NE(file, nullptr);
        char line[16];
        EXPECT_EQ(Z_ReadFileLine(file, line, sizeof line, nullptr), 1);
        EXPECT_EQ(Z_ReadFileLine(file, line, sizeof line, nullptr), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
        EXPECT_NE(Z_FileError(file), 0);
        Z_CloseFile(file);
    }
    EXPECT_EQ(ReadText(log), "Z_OpenFile\nZ_ReadFileLine\nZ_ReadFileLine\nZ_CloseFile\n");
}

TEST(FaultInjection, InjectedWriteLeavesFileFailed) {
    ScratchDir scratch;
    HZFILE file = Z_CreateFile(scratch.file("out").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    {
        FaultScope fault("Z_WriteFileLineEx:2");
        EXPECT_EQ(Z_WriteFileLineEx(file, "one", 1), 1);
        EXPECT_EQ(Z_FileError(file), 0);
        EXPECT_EQ(Z_WriteFileLineEx(file, "two", 1), 0);
        EXPECT_NE(Z_FileError(file), 0);
    }
    Z_CloseFile(file);
    EXPECT_EQ(ReadText(scratch.file("out")), "one\r\n");
}

TEST(FaultInjection, ResetStartsCountingAgainAndMalformedEntriesSelectNothing) {
    FaultScope fault("Z_RenameFile:x,Z_GetFileSize:0,Z_CreateDir:1");
    uint64_t size = 0;
    EXPECT_EQ(Z_GetFileSize("no-such-file-here", &size), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_EQ(Z_CreateDir("ignored", 0), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    ZelResetFaultInjection();
    EXPECT_EQ(Z_CreateDir("ignored", 0), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

TEST(FaultInjection, InjectedCloneLeavesTargetAlone) {
    ScratchDir scratch;
    WriteText(scratch.file("src"), "new");
    WriteText(scratch.file("dst"), "old");
    FaultScope fault("Z_CloneFile");
    EXPECT_EQ(Z_CloneFile(scratch.file("src").c_str(), scratch.file("dst").c_str()), 0);
    EXPECT_EQ(ReadText(scratch.file("dst")), "old");
}

// The existence tests answer "there", "not there" or "could not tell", and
// only the last sets the last error; a folder on the way that is a file
// leaves no place for the name, which is "not there".
TEST(ExistenceTests, ThreeAnswersForEveryKindOfName) {
    ScratchDir scratch;
    WriteText(scratch.file("file"), "x");
    fs::create_directories(scratch.file("folder"));
    const std::string throughFile = scratch.file("file") + Z_PATH_SEPARATOR_TEXT + "below";
    struct Row {
        std::string path;
        int file;
        int folder;
        int name;
    };
    const Row rows[] = {
        {scratch.file("file"), 1, 0, 1},
        {scratch.file("folder"), 0, 1, 1},
        {scratch.file("folder") + Z_PATH_SEPARATOR_TEXT, 0, 1, 1},
        {scratch.file("missing"), 0, 0, 0},
        {scratch.file("missing") + Z_PATH_SEPARATOR_TEXT + "below", 0, 0, 0},
        {throughFile, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Z_SetLastErrorText(Z_ERROR_NONE, "untouched");
        EXPECT_EQ(Z_FileExists(row.path.c_str()), row.file);
        EXPECT_EQ(Z_DirExists(row.path.c_str()), row.folder);
        EXPECT_EQ(Z_NameExists(row.path.c_str()), row.name);
        EXPECT_STREQ(Z_GetLastErrorPrompt(nullptr, 0), "untouched");
    }
    EXPECT_EQ(Z_FileExists(""), -1);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_BAD_ARGUMENT);
}

// NAME@END counts only the calls on a path that ends so, whatever the
// separator; the call that cannot tell names its file.
TEST(ExistenceTests, FaultSelectedByTheEndOfThePath) {
    ScratchDir scratch;
    WriteText(scratch.file("LOG.CFG"), "x");
    WriteText(scratch.file("OTHER.CFG"), "x");
    const std::string log = scratch.file("LOG.CFG");
    FaultScope fault("Z_FileExists@/LOG.CFG:2,Z_DirExists@nowhere");
    EXPECT_EQ(Z_FileExists(scratch.file("OTHER.CFG").c_str()), 1);
    EXPECT_EQ(Z_FileExists(log.c_str()), 1);
    EXPECT_EQ(Z_NameExists(log.c_str()), 1);
    EXPECT_EQ(Z_FileExists(scratch.file("OTHER.CFG").c_str()), 1);
    EXPECT_EQ(Z_FileExists(log.c_str()), -1);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_EQ(std::string(Z_GetLastErrorPrompt(nullptr, 0)),
              "Z_FileExists: cannot look at " + log + ": injected failure (ZEL_FAULT)");
    EXPECT_EQ(Z_FileExists(log.c_str()), 1);
    EXPECT_EQ(Z_DirExists(scratch.dir().c_str()), 1);
}

TEST(LastError, CaptureAndPrintfStyleText) {
    EXPECT_EQ(Z_CaptureError(42, "the dictionary is locked", "file.cpp", 7), 0);
    EXPECT_EQ(Z_GetLastError(), 42u);
    EXPECT_STREQ(Z_GetLastErrorPrompt(nullptr, 0), "the dictionary is locked");
    Z_SetLastErrorText(Z_ERROR_IO, "%s: %d of %zu", "CreateDB", 3, static_cast<size_t>(9));
    EXPECT_STREQ(Z_GetLastErrorPrompt(nullptr, 0), "CreateDB: 3 of 9");
    char small[6];
    EXPECT_STREQ(Z_GetLastErrorPrompt(small, sizeof small), "Creat");
}

TEST(Memory, AllocationIsZeroFilledAndGrows) {
    auto* block = static_cast<unsigned char*>(Z_MemAlloc(64, 0));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
    block[63] = 9;
    block = static_cast<unsigned char*>(Z_MemRealloc(block, 128));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[63], 9);
    Z_MemFree(block);
}

TEST(Memory, DetectReportsPinnedFigure) {
    SetEnvironment("ZEL_MEMDETECT", "3072");
    EXPECT_EQ(Z_MemDetect(8), 3072u);
    SetEnvironment("ZEL_MEMDETECT", "lots");
    EXPECT_GT(Z_MemDetect(8), 0u);
    SetEnvironment("ZEL_MEMDETECT", nullptr);
    EXPECT_GT(Z_MemDetect(8), 0u);
    EXPECT_EQ(Z_MemDetect(1), 0u);
}

// Console input reads the real standard input, redirected to a scratch file.
TEST(ConsoleInput, LinesThenTooLongThenEndOfInput) {
    ScratchDir scratch;
    WriteText(scratch.file("answers"), "d:\\zelhome\r\n  y \n" + std::string(300, 'x') + "\nlast");
    ASSERT_NE(std::freopen(scratch.file("answers").c_str(), "rb", stdin), nullptr);
    char buffer[256];
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), 10);
    EXPECT_STREQ(buffer, "d:\\zelhome");
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), 4);
    EXPECT_STREQ(buffer, "  y ");
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), -1);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), 4);
    EXPECT_STREQ(buffer, "last");
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), -1);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_END_OF_INPUT);
    std::fclose(stdin);
}

TEST(ConsoleInput, LineFillingBufferBeforeCarriageReturnFits) {
    ScratchDir scratch;
    WriteText(scratch.file("answers"), "abc\r\n");
    ASSERT_NE(std::freopen(scratch.file("answers").c_str(), "rb", stdin), nullptr);
    char buffer[4];
    EXPECT_EQ(Z_InputConsoleLine(buffer, sizeof buffer, 1), 3);
    EXPECT_STREQ(buffer, "abc");
    std::fclose(stdin);
}

// Below the public calls, every operation of the table is a point of its
// own: by name, inside one public call, by the count of operations, or of
// every point; its failure says what the system would have said.
TEST(FaultInjection, OperationsFailByNameInsideACallAndByCount) {
    ScratchDir scratch;
    const std::string sites = scratch.file("sites.log");
    ASSERT_TRUE(WriteWorkFile(scratch.file("a.new"), "new"));
    WriteText(scratch.file("b"), "b");
    {
        FaultScope fault("fs.Rename@Z_ReplaceFile", nullptr);
        SetEnvironment("ZEL_FAULT_AS", "ENOSPC");
        SetEnvironment("ZEL_FAULT_SITES", sites.c_str());
        ZelResetFaultInjection();
        ZelNameFaultSite("a step");
        EXPECT_EQ(Z_RenameFile(scratch.file("b").c_str(), scratch.file("c").c_str()), 1) << "a rename outside it";
        EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 0);
        const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
        EXPECT_NE(text.find(scratch.file("a.new")), std::string::npos) << text;
#ifdef _WIN32
        EXPECT_NE(text.find("(112)"), std::string::npos) << text << ": ERROR_DISK_FULL";
#else
        EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;
#endif
        EXPECT_NE(text.find("(injected by ZEL_FAULT)"), std::string::npos) << text;
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_NO_SPACE);
        SetEnvironment("ZEL_FAULT_AS", nullptr);
        SetEnvironment("ZEL_FAULT_SITES", nullptr);
        ZelNameFaultSite(nullptr);
    }
    EXPECT_EQ(ReadText(scratch.file("a.new")), "new");
    const std::string logged = ReadText(sites);
    EXPECT_NE(logged.find("\tfs.Rename\tZ_ReplaceFile\ta step\t"), std::string::npos) << logged;
    EXPECT_NE(logged.find("\tZ_RenameFile\tZ_RenameFile\ta step\t"), std::string::npos) << logged;
    // The second operation of the whole run, whatever its name; the points
    // of public calls count apart.
    FaultScope byCount("fs.*:2");
    EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 1)
        << Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_EQ(ReadText(scratch.file("a")), "new");
}
