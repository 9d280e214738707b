// Open files, line reading and writing, and whole-file operations on real
// files in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

namespace {

std::vector<std::string> ReadAllLines(const std::string& path, int size) {
    std::vector<std::string> lines;
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return lines;
    std::vector<char> buffer(static_cast<size_t>(size));
    while (Z_ReadFileLine(file, buffer.data(), size, nullptr)) lines.emplace_back(buffer.data());
    EXPECT_EQ(Z_FileError(file), 0);
    Z_CloseFile(file);
    return lines;
}

}  // namespace

TEST(FileLines, ReadsCrLfAndLfLinesWithoutLineEnds) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"), "one\r\ntwo\n\r\nlast");
    EXPECT_EQ(ReadAllLines(scratch.file("a.txt"), 64), (std::vector<std::string>{"one", "two", "", "last"}));
}

TEST(FileLines, SkipsByteOrderMarkAtFileStartOnly) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"),
              "\xEF\xBB\xBF"
              "first\r\n\xEF\xBB\xBF"
              "second\r\n");
    EXPECT_EQ(ReadAllLines(scratch.file("a.txt"), 64), (std::vector<std::string>{"first",
                                                                                 "\xEF\xBB\xBF"
                                                                                 "second"}));
}

TEST(FileLines, LineFillingBufferExactlyIsRead) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"), "abcde\r\nxyz\r\n");
    EXPECT_EQ(ReadAllLines(scratch.file("a.txt"), 6), (std::vector<std::string>{"abcde", "xyz"}));
}

TEST(FileLines, LongerLineIsAnErrorNeverCut) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"), "abc\r\nabcdef\r\nxyz\r\n");
    HZFILE file = Z_OpenFile(scratch.file("a.txt").c_str(), Z_MODE_READ, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    char buffer[6];
    ASSERT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 1);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    EXPECT_NE(Z_FileError(file), 0);
    EXPECT_EQ(Z_CloseFile(file), 1);
}

TEST(FileLines, WrittenLinesEndWithCrLf) {
    ScratchDir scratch;
    HZFILE file = Z_CreateFile(scratch.file("out.ini").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Z_WriteFileLineEx(file, "[Section]", 1), 1);
    EXPECT_EQ(Z_WriteFileLineEx(file, "Key=", 0), 1);
    EXPECT_EQ(Z_WriteFileLineEx(file, "Value", 1), 1);
    EXPECT_EQ(Z_FileError(file), 0);
    EXPECT_EQ(Z_CloseFile(file), 1);
    EXPECT_EQ(ReadText(scratch.file("out.ini")), "[Section]\r\nKey=Value\r\n");
}

TEST(FileLines, CreateTruncatesAnExistingFile) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"), "old content");
    HZFILE file = Z_CreateFile(scratch.file("a.txt").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    Z_CloseFile(file);
    EXPECT_EQ(ReadText(scratch.file("a.txt")), "");
}

TEST(OpenFiles, OpenOfMissingFileNamesOperationAndPath) {
    ScratchDir scratch;
    std::string path = scratch.file("missing.ini");
    EXPECT_EQ(Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0), nullptr);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_EQ(text.rfind("Z_OpenFile: cannot open " + path + ": ", 0), 0u) << text;
}

TEST(OpenFiles, DirectoryIsNotOpenedAsFile) {
    ScratchDir scratch;
    EXPECT_EQ(Z_OpenFile(scratch.path().string().c_str(), Z_MODE_READ, 0, nullptr, 0), nullptr);
    EXPECT_EQ(Z_CreateFile(scratch.path().string().c_str(), 0, 0, nullptr, 0), nullptr);
}

TEST(OpenFiles, ExactReadShortOfSizeFails) {
    ScratchDir scratch;
    WriteText(scratch.file("a.bin"), "12345");
    HZFILE file = Z_OpenFile(scratch.file("a.bin").c_str(), Z_MODE_READ, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    char buffer[16];
    EXPECT_EQ(Z_ReadFile(file, buffer, 3, 1), 3);
    EXPECT_EQ(Z_ReadFile(file, buffer, 5, 0), 2);
    EXPECT_EQ(Z_FileError(file), 0);
    ASSERT_EQ(Z_SeekFile(file, 1), 1);
    EXPECT_EQ(Z_ReadFile(file, buffer, 10, 1), 0);
    EXPECT_NE(Z_FileError(file), 0);
    Z_CloseFile(file);
}

TEST(OpenFiles, AppendAtEndAfterReadingAllLines) {
    ScratchDir scratch;
    WriteText(scratch.file("p.ini"), "[A]\r\nx=1");
    HZFILE file = Z_OpenFile(scratch.file("p.ini").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    char buffer[64];
    while (Z_ReadFileLine(file, buffer, sizeof buffer, nullptr)) {}
    ASSERT_EQ(Z_SeekFileEnd(file), 1);
    EXPECT_EQ(Z_WriteFileLineEx(file, "y=2", 1), 1);
    EXPECT_EQ(Z_FileError(file), 0);
    EXPECT_STREQ(Z_GetFileName(file), scratch.file("p.ini").c_str());
    Z_CloseFile(file);
    EXPECT_EQ(ReadText(scratch.file("p.ini")), "[A]\r\nx=1y=2\r\n");
}

// The reader counts where each line starts instead of asking the system:
// the count must follow every kind of move, as the byte order mark (skipped
// only at the start of the file) shows.
TEST(FileLines, LineStartsFollowReadsSeeksAndWrites) {
    ScratchDir scratch;
    WriteText(scratch.file("a.txt"), "\xEF\xBB\xBFone\r\ntwo\r\n");
    HZFILE file = Z_OpenFile(scratch.file("a.txt").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    char buffer[32];
    ASSERT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 1);
    EXPECT_STREQ(buffer, "one");
    ASSERT_EQ(Z_SeekFile(file, 0), 1);
    ASSERT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 1);
    EXPECT_STREQ(buffer, "one");
    ASSERT_EQ(Z_SeekFile(file, 0), 1);
    ASSERT_EQ(Z_ReadFile(file, buffer, 1, 1), 1);
    ASSERT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 1);
    EXPECT_STREQ(buffer, "\xBB\xBFone");
    ASSERT_EQ(Z_SeekFileEnd(file), 1);
    ASSERT_EQ(Z_WriteFile(file,
                          "\xEF\xBB\xBF"
                          "three\r\n",
                          10, 1),
              10);
    ASSERT_EQ(Z_SeekFile(file, 13), 1);
    ASSERT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 1);
    EXPECT_STREQ(buffer,
                 "\xEF\xBB\xBF"
                 "three");
    EXPECT_EQ(Z_ReadFileLine(file, buffer, sizeof buffer, nullptr), 0);
    EXPECT_EQ(Z_FileError(file), 0);
    Z_CloseFile(file);
}

TEST(OpenFiles, TruncateCutsTheFileAndLeavesThePositionAtItsEnd) {
    ScratchDir scratch;
    WriteText(scratch.file("a.bin"), "0123456789");
    HZFILE file = Z_OpenFile(scratch.file("a.bin").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    char buffer[16];
    ASSERT_EQ(Z_ReadFile(file, buffer, 8, 1), 8);
    ASSERT_EQ(Z_TruncateFile(file, 4), 1);
    ASSERT_EQ(Z_WriteFile(file, "xy", 2, 1), 2);
    EXPECT_EQ(Z_TruncateFile(file, -1), 0);
    EXPECT_EQ(Z_CloseFile(file), 1);
    EXPECT_EQ(ReadText(scratch.file("a.bin")), "0123xy");
    file = Z_OpenFile(scratch.file("a.bin").c_str(), Z_MODE_READ, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Z_TruncateFile(file, 2), 0);
    EXPECT_NE(Z_FileError(file), 0);
    Z_CloseFile(file);
    EXPECT_EQ(ReadText(scratch.file("a.bin")), "0123xy");
}

// Files changed in place under an open journal: the journal says it records
// them, and puts them back; discarded, it leaves the changes.
TEST(FileJournal, FilesChangedInPlaceArePutBackOrKept) {
    ScratchDir scratch;
    const std::string journal = scratch.file("journal");
    const std::string unrecorded = scratch.file("own");
    fs::create_directories(unrecorded);
    for (int keep = 0; keep < 2; ++keep) {
        SCOPED_TRACE(keep ? "discarded" : "undone");
        WriteText(scratch.file("a.dic"), "0123456789");
        EXPECT_EQ(Z_RecordingJournal(), nullptr);
        EXPECT_EQ(Z_IsFileJournalled(Z_RecordingJournal(), scratch.file("a.dic").c_str()), 0);
        HZJOURNAL opened = Z_OpenFileJournal(journal.c_str(), scratch.dir().c_str(), unrecorded.c_str());
        ASSERT_NE(opened, nullptr) << Z_GetLastErrorPrompt(nullptr, 0);
        // The run owns the journal; code below it that is not handed the
        // object finds the same one recording.
        EXPECT_EQ(Z_RecordingJournal(), opened);
        // One journal records at a time.
        EXPECT_EQ(Z_OpenFileJournal(scratch.file("other").c_str(), scratch.dir().c_str(), nullptr), nullptr);
        EXPECT_EQ(std::string(Z_GetLastErrorPrompt(nullptr, 0)), "Z_OpenFileJournal: a journal is open already");
        EXPECT_EQ(Z_IsFileJournalled(opened, scratch.file("a.dic").c_str()), 1);
        EXPECT_EQ(Z_IsFileJournalled(opened, scratch.file("b.dic").c_str()), 1);
        EXPECT_EQ(Z_IsFileJournalled(opened, (unrecorded + Z_PATH_SEPARATOR_TEXT + "run").c_str()), 0);
        EXPECT_EQ(Z_IsFileJournalled(opened, (journal + Z_PATH_SEPARATOR_TEXT + "JOURNAL").c_str()), 0);
        EXPECT_EQ(Z_IsFileJournalled(nullptr, scratch.file("a.dic").c_str()), 0);
        HZFILE file = Z_OpenFile(scratch.file("a.dic").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(Z_SeekFile(file, 2), 1);
        ASSERT_EQ(Z_WriteFile(file, "ab", 2, 1), 2);
        ASSERT_EQ(Z_TruncateFile(file, 6), 1);
        ASSERT_EQ(Z_CloseFile(file), 1);
        HZFILE made = Z_CreateFile(scratch.file("b.dic").c_str(), 0, 0, nullptr, 0);
        ASSERT_NE(made, nullptr);
        Z_CloseFile(made);
        ASSERT_EQ(Z_CloseFileJournal(opened), 1);
        EXPECT_EQ(Z_RecordingJournal(), nullptr);
        EXPECT_EQ(Z_IsFileJournalled(opened, scratch.file("a.dic").c_str()), 0);
        if (keep) {
            ASSERT_EQ(Z_DiscardFileJournal(opened, journal.c_str(), scratch.dir().c_str()), 1)
                << Z_GetLastErrorPrompt(nullptr, 0);
            EXPECT_EQ(ReadText(scratch.file("a.dic")), "01ab45");
            EXPECT_TRUE(fs::exists(scratch.file("b.dic")));
        } else {
            ASSERT_EQ(Z_UndoFileJournal(journal.c_str(), scratch.dir().c_str()), 1) << Z_GetLastErrorPrompt(nullptr, 0);
            ASSERT_EQ(Z_DiscardFileJournal(opened, journal.c_str(), scratch.dir().c_str()), 1)
                << Z_GetLastErrorPrompt(nullptr, 0);
            EXPECT_EQ(ReadText(scratch.file("a.dic")), "0123456789");
            EXPECT_FALSE(fs::exists(scratch.file("b.dic")));
        }
        Z_FreeFileJournal(opened);
        EXPECT_EQ(Z_HasFileJournal(journal.c_str()), 0);
        fs::remove(scratch.file("b.dic"));
    }
}

TEST(WholeFiles, RenameRefusesAnExistingTarget) {
    ScratchDir scratch;
    WriteText(scratch.file("old"), "old");
    WriteText(scratch.file("new"), "new");
    EXPECT_EQ(Z_RenameFile(scratch.file("old").c_str(), scratch.file("new").c_str()), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_EXISTS);
    EXPECT_EQ(ReadText(scratch.file("new")), "new");
    EXPECT_EQ(ReadText(scratch.file("old")), "old");
}

TEST(WholeFiles, RenameToFreeName) {
    ScratchDir scratch;
    WriteText(scratch.file("old"), "old");
    EXPECT_EQ(Z_RenameFile(scratch.file("old").c_str(), scratch.file("new").c_str()), 1);
    EXPECT_FALSE(fs::exists(scratch.file("old")));
    EXPECT_EQ(ReadText(scratch.file("new")), "old");
}

TEST(WholeFiles, ReplaceMovesSourceOverExistingTarget) {
    ScratchDir scratch;
    ASSERT_TRUE(WriteWorkFile(scratch.file("a.new"), "fresh"));
    WriteText(scratch.file("a"), "stale");
    EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 1);
    EXPECT_FALSE(fs::exists(scratch.file("a.new")));
    EXPECT_EQ(ReadText(scratch.file("a")), "fresh");
    EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 0);
    EXPECT_EQ(ReadText(scratch.file("a")), "fresh");
}

// What moves over a file is the work file the program wrote, never what
// its name holds by then: another file put in its place (as another
// account may, in a folder it can write) is refused, and the target stays.
TEST(WholeFiles, ReplaceRefusesAFileThisProgramDidNotWrite) {
    ScratchDir scratch;
    ASSERT_TRUE(WriteWorkFile(scratch.file("a.new"), "written here"));
    WriteText(scratch.file("other"), "put in its place");
    fs::rename(scratch.file("other"), scratch.file("a.new"));
    WriteText(scratch.file("a"), "stale");
    EXPECT_EQ(Z_ReplaceFile(scratch.file("a.new").c_str(), scratch.file("a").c_str()), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_OWN) << Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_EQ(ReadText(scratch.file("a")), "stale");
}

#ifndef _WIN32
// No file the toolkit writes is set-id, whatever it copies or replaces; a
// replacement keeps the other bits of the file it replaces, a copy those of
// its source (and is writable by its owner).
TEST(WholeFiles, NoFileWrittenTakesASetIdBit) {
    ScratchDir scratch;
    const auto modeOf = [](const std::string& path) {
        return static_cast<unsigned>(fs::status(path).permissions()) & 07777u;
    };
    WriteText(scratch.file("program"), "program");
    fs::permissions(scratch.file("program"), static_cast<fs::perms>(04555));
    ASSERT_EQ(Z_CloneFile(scratch.file("program").c_str(), scratch.file("copy").c_str()), 1);
    EXPECT_EQ(modeOf(scratch.file("copy")), 0755u);
    WriteText(scratch.file("installed"), "installed");
    fs::permissions(scratch.file("installed"), static_cast<fs::perms>(06750));
    ASSERT_EQ(Z_CloneFile(scratch.file("program").c_str(), scratch.file("installed").c_str()), 1);
    EXPECT_EQ(modeOf(scratch.file("installed")), 0750u);
    fs::permissions(scratch.file("installed"), static_cast<fs::perms>(04640));
    ASSERT_TRUE(WriteWorkFile(scratch.file("installed.NEW"), "merged"));
    ASSERT_EQ(Z_ReplaceFile(scratch.file("installed.NEW").c_str(), scratch.file("installed").c_str()), 1);
    EXPECT_EQ(modeOf(scratch.file("installed")), 0640u);
    EXPECT_EQ(ReadText(scratch.file("installed")), "merged");
    fs::permissions(scratch.file("program"), fs::perms::owner_write, fs::perm_options::add);
}
#endif

TEST(WholeFiles, CloneReplacesTargetAndLeavesNoTemporary) {
    ScratchDir scratch;
    std::string bytes(200000, 'x');
    bytes[12345] = '\0';
    WriteText(scratch.file("src"), bytes);
    WriteText(scratch.file("dst"), "old");
    EXPECT_EQ(Z_CloneFile(scratch.file("src").c_str(), scratch.file("dst").c_str()), 1);
    EXPECT_EQ(ReadText(scratch.file("dst")), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()), 2);
}

TEST(WholeFiles, CloneOfMissingSourceKeepsTarget) {
    ScratchDir scratch;
    WriteText(scratch.file("dst"), "old");
    EXPECT_EQ(Z_CloneFile(scratch.file("src").c_str(), scratch.file("dst").c_str()), 0);
    EXPECT_EQ(ReadText(scratch.file("dst")), "old");
}

TEST(WholeFiles, DeleteFilesMatchesWildcardWithoutCase) {
    ScratchDir scratch;
    for (const char* name : {"z40server.exe", "Z40SEARCHER.EXE", "z40mirror", "zelserver.exe", "az40.exe"}) {
        WriteText(scratch.file(name), "x");
    }
    fs::create_directory(scratch.path() / "z40dir");
    EXPECT_EQ(Z_DeleteFiles(scratch.dir().c_str(), "z40*.*"), 1);
    EXPECT_FALSE(fs::exists(scratch.file("z40server.exe")));
    EXPECT_FALSE(fs::exists(scratch.file("Z40SEARCHER.EXE")));
    EXPECT_FALSE(fs::exists(scratch.file("z40mirror")));
    EXPECT_TRUE(fs::exists(scratch.file("zelserver.exe")));
    EXPECT_TRUE(fs::exists(scratch.file("az40.exe")));
    EXPECT_TRUE(fs::exists(scratch.path() / "z40dir"));
    EXPECT_EQ(Z_DeleteFiles(scratch.dir().c_str(), "z40*.*"), 1);
}

// A folder that cannot be listed is a failure, never a folder without
// entries; the names match as Z_DeleteFiles matches them.
TEST(WholeFiles, ListFolderTellsAMissingFolderFromAnEmptyOne) {
    ScratchDir scratch;
    std::vector<std::string> found;
    const ZFolderCallback collect = [](const char* name, uint32_t kind, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(name + std::string(":") + std::to_string(kind));
        return 1;
    };
    EXPECT_EQ(Z_ListFolder(scratch.file("none").c_str(), "*", collect, &found), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_EQ(Z_ListFolder(scratch.dir().c_str(), "*", collect, &found), 1);
    EXPECT_TRUE(found.empty());
    WriteText(scratch.file("a.service"), "x");
    WriteText(scratch.file("B.SERVICE"), "x");
    WriteText(scratch.file("c.txt"), "x");
    fs::create_directory(scratch.path() / "d.service");
    EXPECT_EQ(Z_ListFolder(scratch.dir().c_str(), "*.service", collect, &found), 1);
    std::sort(found.begin(), found.end());
    const std::vector<std::string> expected = {"B.SERVICE:1", "a.service:1", "d.service:2"};
    EXPECT_EQ(found, expected);
    // Stopped by the caller after the first name.
    found.clear();
    const ZFolderCallback first = [](const char* name, uint32_t, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(name);
        return 0;
    };
    EXPECT_EQ(Z_ListFolder(scratch.dir().c_str(), "*", first, &found), 1);
    EXPECT_EQ(found.size(), 1u);
}

TEST(WholeFiles, QuestionMarkMatchesOneCharacter) {
    ScratchDir scratch;
    WriteText(scratch.file("log1.txt"), "x");
    WriteText(scratch.file("log12.txt"), "x");
    EXPECT_EQ(Z_DeleteFiles(scratch.dir().c_str(), "LOG?.TXT"), 1);
    EXPECT_FALSE(fs::exists(scratch.file("log1.txt")));
    EXPECT_TRUE(fs::exists(scratch.file("log12.txt")));
}

TEST(WholeFiles, DeleteFileAndSize) {
    ScratchDir scratch;
    WriteText(scratch.file("a"), "12345");
    uint64_t size = 0;
    EXPECT_EQ(Z_GetFileSize(scratch.file("a").c_str(), &size), 1);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(Z_IsValidFileName(scratch.file("a").c_str()), 1);
    EXPECT_EQ(Z_DeleteFile(scratch.file("a").c_str()), 1);
    EXPECT_EQ(Z_IsValidFileName(scratch.file("a").c_str()), 0);
    EXPECT_EQ(Z_DeleteFile(scratch.file("a").c_str()), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_NOT_FOUND);
    EXPECT_EQ(Z_GetFileSize(scratch.file("a").c_str(), &size), 0);
}

namespace {
std::vector<std::string> copiedPaths;
int RecordCopy(const char* path) {
    copiedPaths.emplace_back(path);
    return 1;
}
}  // namespace

TEST(WholeFiles, DuplicateDirCopiesTreeAndReportsEachFile) {
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "src" / "sub" / "deep");
    fs::create_directories(scratch.path() / "src" / "empty");
    WriteText((scratch.path() / "src" / "a.dat").string(), "a");
    WriteText((scratch.path() / "src" / "sub" / "deep" / "b.dat").string(), "b");
    std::string target = (scratch.path() / "out" / "plo").string();
    copiedPaths.clear();
    EXPECT_EQ(Z_DuplicateDir((scratch.path() / "src").string().c_str(), target.c_str(), RecordCopy, 0), 1);
    EXPECT_EQ(ReadText(target + Z_PATH_SEPARATOR_TEXT + "a.dat"), "a");
    EXPECT_EQ(ReadText((fs::path(target) / "sub" / "deep" / "b.dat").string()), "b");
    EXPECT_TRUE(fs::is_directory(fs::path(target) / "empty"));
    ASSERT_EQ(copiedPaths.size(), 2u);
    for (const std::string& path : copiedPaths) EXPECT_TRUE(fs::exists(path)) << path;
}

// Copies never take a source's read-only state (a package on a DVD or a
// read-only share), or the next upgrade could not replace them; a
// program's execute bit they keep.
TEST(WholeFiles, CloneOfReadOnlySourceIsWritableAndKeepsTheExecuteBit) {
    ScratchDir scratch;
    WriteText(scratch.file("src.exe"), "program");
    fs::permissions(scratch.file("src.exe"),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(Z_CloneFile(scratch.file("src.exe").c_str(), scratch.file("dst.exe").c_str()), 1);
    const fs::perms copied = fs::status(scratch.file("dst.exe")).permissions();
    EXPECT_NE(copied & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(copied & fs::perms::owner_exec,
              fs::status(scratch.file("src.exe")).permissions() & fs::perms::owner_exec);
    EXPECT_EQ(ReadText(scratch.file("dst.exe")), "program");
    fs::permissions(scratch.file("src.exe"), fs::perms::owner_write, fs::perm_options::add);
}

#ifdef _WIN32
// Each copy's path goes to the callback as a text of the system code page:
// a name that code page cannot write stops the copy before its first file.
TEST(WholeFiles, DuplicateDirRefusesANameTheCodePageCannotWriteBeforeCopying) {
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "src");
    WriteText((scratch.path() / "src" / "a.dat").string(), "a");
    // Thai: neither code page 1252 nor 936 writes it.
    std::ofstream(scratch.path() / "src" / fs::path(u8"ภาษา.dat"), std::ios::binary) << "b";
    const std::string target = (scratch.path() / "out").string();
    copiedPaths.clear();
    EXPECT_EQ(Z_DuplicateDir((scratch.path() / "src").string().c_str(), target.c_str(), RecordCopy, 0), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_CHARSET);
    EXPECT_NE(std::string(Z_GetLastErrorPrompt(nullptr, 0)).find("cannot write"), std::string::npos);
    EXPECT_TRUE(copiedPaths.empty());
    EXPECT_FALSE(fs::exists(target));
}
#endif
