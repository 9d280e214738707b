// The file journal's record at what a change costs: files that lose their
// name are kept by a second name, files changed in place by their pages;
// each is undone, also after a stop at each step and with the undo itself
// made twice. And the checksum under it, and the folder flushes a batch
// makes once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crc32c.h"
#include "env.h"
#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

namespace {

std::string Pattern(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + static_cast<char>(i * 7 % 251));
    return bytes;
}

std::string LastError() { return Z_GetLastErrorPrompt(nullptr, 0); }

// A home with a journal folder beside its files, and the journal's lines.
class JournalTest : public ::testing::Test {
protected:
    // Each test starts as a process would: no file written yet (a file of
    // an earlier test's may have left its identity to one of this test's).
    void SetUp() override { zel::toolkit::Env::Get().Durable().ForgetChangedFiles(); }
    // A test stopped halfway leaves no journal open for the next.
    void TearDown() override {
        Z_FreeFileJournal(journal_);
        journal_ = nullptr;
    }

    std::string Home() const { return scratch_.dir(); }
    std::string File(const std::string& name) const { return scratch_.file(name); }
    std::string JournalDir() const { return scratch_.file("journal"); }
    std::string Saved(int copy) const { return JournalDir() + Z_PATH_SEPARATOR_TEXT + "SAVED." + std::to_string(copy); }

    // Each opening is a new journal object, as each run's is: the test holds
    // the last one until it is discarded or the test ends.
    void Open() {
        Z_FreeFileJournal(journal_);
        journal_ = Z_OpenFileJournal(JournalDir().c_str(), Home().c_str(), nullptr);
        ASSERT_NE(journal_, nullptr) << LastError();
    }
    void Close() { ASSERT_EQ(Z_CloseFileJournal(journal_), 1); }
    HZJOURNAL Journal() const { return journal_; }
    int Check() { return Z_CheckFileJournal(JournalDir().c_str(), Home().c_str()); }
    bool Undo() { return Z_UndoFileJournal(JournalDir().c_str(), Home().c_str()) == 1; }
    void Discard() {
        ASSERT_EQ(Z_DiscardFileJournal(journal_, JournalDir().c_str(), Home().c_str()), 1) << LastError();
    }

    // The kinds of the journal's entries in order ("C", "M", "P" ...): the
    // first letter of every line after the header, a page's bytes passed
    // over.
    std::string Kinds() const {
        const std::string text = ReadText(JournalDir() + Z_PATH_SEPARATOR_TEXT + "JOURNAL");
        std::string kinds;
        size_t at = text.find('\n') + 1;
        while (at < text.size()) {
            const size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end - at);
            kinds += line.substr(0, 1);
            at = end + 1;
            // P <sequence> <offset> <size> ...: the page's bytes follow.
            if (line[0] == 'P') {
                const size_t size = line.find(' ', line.find(' ', 2) + 1) + 1;
                at += std::stoul(line.substr(size, line.find(' ', size) - size));
            }
        }
        return kinds;
    }

    void Write(HZFILE file, int64_t offset, const std::string& bytes) {
        ASSERT_EQ(Z_SeekFile(file, offset), 1);
        ASSERT_EQ(Z_WriteFile(file, bytes.data(), static_cast<int64_t>(bytes.size()), 1),
                  static_cast<int64_t>(bytes.size()))
            << LastError();
    }

private:
    ScratchDir scratch_;
    HZJOURNAL journal_ = nullptr;
};

TEST(Crc32c, KnownAnswersAndAnyWayOfCuttingTheBytes) {
    EXPECT_EQ(zel::toolkit::Crc32c(std::string("123456789")), 0xE3069283u);
    EXPECT_EQ(zel::toolkit::Crc32c(std::string()), 0u);
    EXPECT_EQ(zel::toolkit::Crc32c(std::string(32, '\0')), 0x8A9136AAu);
    const std::string bytes = Pattern(100003, 'a');
    const uint32_t whole = zel::toolkit::Crc32c(0, bytes.data(), bytes.size());
    // Bit by bit, as the polynomial defines it, against the fast ways.
    uint32_t bitwise = ~0u;
    for (char c : bytes) {
        bitwise ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) bitwise = (bitwise & 1u) != 0 ? (bitwise >> 1) ^ 0x82F63B78u : bitwise >> 1;
    }
    EXPECT_EQ(whole, ~bitwise);
    for (size_t cut : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{4096}, size_t{99999}}) {
        const uint32_t first = zel::toolkit::Crc32c(0, bytes.data(), cut);
        EXPECT_EQ(zel::toolkit::Crc32c(first, bytes.data() + cut, bytes.size() - cut), whole) << cut;
    }
}

// A file replaced whole costs no copy: the journal keeps the file itself.
TEST_F(JournalTest, ReplacedFileIsKeptByASecondNameAndMovedBack) {
    const std::string original = Pattern(10000, 'o');
    WriteText(File("VIEW.DIC"), original);
    ZFileInfo before{};
    ASSERT_EQ(Z_GetFileInfo(File("VIEW.DIC").c_str(), 0, &before), 1);
    Open();
    // Read whole, as a conversion reads it, the file's checksum comes from
    // that reading; the check below reads it again and must agree.
    HZFILE read = Z_OpenFile(File("VIEW.DIC").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(read, nullptr);
    std::string bytes(original.size(), '\0');
    ASSERT_EQ(Z_ReadFile(read, bytes.data(), 96, 1), 96);
    ASSERT_EQ(Z_ReadFile(read, bytes.data() + 96, static_cast<int64_t>(bytes.size()) - 96, 1),
              static_cast<int64_t>(bytes.size()) - 96);
    ASSERT_EQ(Z_CloseFile(read), 1);
    ASSERT_EQ(Z_WriteWholeFile(File("VIEW.DIC").c_str(), "new", 3, 0), 1) << LastError();
    Close();
    EXPECT_EQ(Kinds(), "CM");  // VIEW.DIC.NEW was made; VIEW.DIC kept
    ZFileInfo saved{};
    ASSERT_EQ(Z_GetFileInfo(Saved(1).c_str(), Z_NO_LINK, &saved), 1);
    EXPECT_EQ(saved.index, before.index) << "the journal holds the file itself, not a copy";
    EXPECT_EQ(ReadText(Saved(1)), original);
    EXPECT_EQ(Check(), 1) << LastError();
    // An undo cut short is made again: the second finds the file back.
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(Undo()) << LastError();
        EXPECT_EQ(ReadText(File("VIEW.DIC")), original);
        EXPECT_FALSE(fs::exists(File("VIEW.DIC.NEW")));
        EXPECT_EQ(Check(), 1) << LastError();
    }
    Discard();
    EXPECT_EQ(ReadText(File("VIEW.DIC")), original);
    EXPECT_FALSE(fs::exists(Saved(1)));
}

// Every step of a replacement can be the last before a stop: before the
// record reaches the disk, after it but before the new file takes the name,
// and after. The undo puts the file back from each.
TEST_F(JournalTest, ReplacementStoppedAtEachStepIsUndone) {
    const std::string original = Pattern(5000, 'v');
    // The work file's line, then the kept file's record, then its flush.
    for (const char* fault : {"Z_JournalFile:2", "Z_JournalFlush", ""}) {
        SCOPED_TRACE(fault);
        WriteText(File("a.dic"), original);
        Open();
        {
            FaultScope scope(fault);
            EXPECT_EQ(Z_WriteWholeFile(File("a.dic").c_str(), "converted", 9, 0), fault[0] == '\0' ? 1 : 0);
        }
        Close();
        EXPECT_EQ(Check(), 1) << LastError();
        ASSERT_TRUE(Undo()) << LastError();
        EXPECT_EQ(ReadText(File("a.dic")), original);
        EXPECT_FALSE(fs::exists(File("a.dic.NEW")));
        Discard();
    }
}

// Files whose names a step takes are kept ahead, all of them before one
// flush, which comes with the first change: a stop there leaves nothing to
// undo but the kept files. A file kept ahead is not changed in place.
TEST_F(JournalTest, FilesKeptAheadShareOneFlushBeforeTheirChanges) {
    const char* const names[] = {"ZEL_Ambiguous.BIG", "ZEL_WBigram.BIG", "ZEL_Single.BIG"};
    // The names they take were recorded free ahead too: no rename waits for
    // a flush of its own.
    for (const char* fault : {"Z_JournalFlush", "Z_JournalFlush:2", ""}) {
        SCOPED_TRACE(fault);
        for (const char* name : names) WriteText(File(name), name);
        Open();
        {
            FaultScope scope(fault);
            for (const char* name : names) {
                ASSERT_EQ(Z_JournalWhole(Journal(), File(name).c_str()), 1) << LastError();
                ASSERT_EQ(Z_JournalWhole(Journal(), (File(name) + "5").c_str()), 1) << LastError();
            }
            EXPECT_EQ(Z_OpenFile(File(names[0]).c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0), nullptr);
            for (const char* name : names) {
                const int renamed = Z_RenameFile(File(name).c_str(), (File(name) + "5").c_str());
                EXPECT_EQ(renamed, std::string(fault) == "Z_JournalFlush" ? 0 : 1) << LastError();
                if (renamed == 0) break;
            }
        }
        Close();
        EXPECT_EQ(Kinds(), "MCMCMC");
        EXPECT_EQ(Check(), 1) << LastError();
        ASSERT_TRUE(Undo()) << LastError();
        for (const char* name : names) {
            EXPECT_EQ(ReadText(File(name)), name);
            EXPECT_FALSE(fs::exists(File(name) + "5"));
        }
        Discard();
    }
}

// A power cut in the flush before a change: the journal's lines reach the
// disk before the SAVED names they give, so a cut between them leaves lines
// whose files are still as they were (obeyed as they are), never SAVED
// files that no line names (refused: lines would seem lost).
TEST_F(JournalTest, TheLinesReachTheDiskBeforeTheSavedNamesTheyGive) {
    const char* const names[] = {"ZEL_Ambiguous.BIG", "ZEL_WBigram.BIG"};
    // The flush of the lines fails (the file moved was not written here:
    // its bytes are not flushed again), or the flush of the folder after it.
    for (const char* fault : {"fs.Flush@Z_RenameFile:1", "fs.FlushFolder@Z_RenameFile"}) {
        SCOPED_TRACE(fault);
        for (const char* name : names) WriteText(File(name), name);
        {
            FaultScope scope(fault);
            zel::toolkit::PowerLayer& power = zel::toolkit::Env::Get().Power();
            power.Track(true);
            Open();
            for (const char* name : names) ASSERT_EQ(Z_JournalWhole(Journal(), File(name).c_str()), 1) << LastError();
            EXPECT_EQ(Z_RenameFile(File(names[0]).c_str(), File("moved").c_str()), 0);
            power.Cut();
            Close();
        }
        const bool linesKept = std::string(fault).find("FlushFolder") != std::string::npos;
        EXPECT_EQ(Kinds(), linesKept ? "MM" : "");
        EXPECT_FALSE(fs::exists(Saved(1)));
        EXPECT_FALSE(fs::exists(Saved(2)));
        EXPECT_EQ(Check(), 1) << LastError();
        ASSERT_TRUE(Undo()) << LastError();
        for (const char* name : names) EXPECT_EQ(ReadText(File(name)), name);
        EXPECT_FALSE(fs::exists(File("moved")));
        Discard();
    }
}

// On a file system that commits every name change with any flush (a
// journaling one), the SAVED names of files kept ahead must not reach the
// disk before their lines: only the first, which tells the journal that its
// volume gives second names, is made before its line.
TEST_F(JournalTest, AnyFlushCommitsNoSavedNameBeforeItsLine) {
    const char* const names[] = {"ZEL_Ambiguous.BIG", "ZEL_WBigram.BIG", "ZEL_Single.BIG"};
    for (const char* name : names) WriteText(File(name), name);
    {
        zel::toolkit::PowerLayer& power = zel::toolkit::Env::Get().Power();
        zel::toolkit::CutChoice ordered;
        ordered.model = zel::toolkit::CutModel::Ordered;
        ordered.share = zel::toolkit::CutChoice::Keep::All;
        power.Track(true, ordered);
        Open();
        for (const char* name : names) ASSERT_EQ(Z_JournalWhole(Journal(), File(name).c_str()), 1) << LastError();
        // Another file's flush, before the journal's own.
        ASSERT_TRUE(zel::toolkit::Files().FlushFolder(Home()).ok());
        power.Cut();
        Close();
    }
    EXPECT_FALSE(fs::exists(Saved(2)));
    EXPECT_FALSE(fs::exists(Saved(3)));
    EXPECT_EQ(Check(), 1) << LastError();
    ASSERT_TRUE(Undo()) << LastError();
    for (const char* name : names) EXPECT_EQ(ReadText(File(name)), name);
    Discard();
}

// A file moved under a name the journal has just recorded free: the line
// reaches the disk before the move can (a later flush of any file could
// commit the move first, and leave the moved file under a name the journal
// does not know, beside its kept copy); a file made there needs no flush.
TEST_F(JournalTest, AMoveOntoANameRecordedFreeFollowsTheFlushOfItsLine) {
    Open();
    {
        FaultScope scope("Z_JournalFlush:1,Z_JournalFlush:2");
        ASSERT_TRUE(WriteWorkFile(File("made.dat"), "made")) << LastError();
        EXPECT_EQ(Z_RenameFile(File("made.dat").c_str(), File("moved.dat").c_str()), 0);
        EXPECT_NE(LastError().find("Z_JournalFlush: injected failure"), std::string::npos) << LastError();
        EXPECT_EQ(Z_ReplaceFile(File("made.dat").c_str(), File("replaced.dat").c_str()), 0);
    }
    EXPECT_TRUE(fs::exists(File("made.dat")));
    EXPECT_FALSE(fs::exists(File("moved.dat")));
    EXPECT_FALSE(fs::exists(File("replaced.dat")));
    ASSERT_EQ(Z_RenameFile(File("made.dat").c_str(), File("moved.dat").c_str()), 1) << LastError();
    Close();
    EXPECT_EQ(Kinds(), "CCC");
    ASSERT_TRUE(Undo()) << LastError();
    for (const char* name : {"made.dat", "moved.dat", "replaced.dat"}) EXPECT_FALSE(fs::exists(File(name))) << name;
    Discard();
}

TEST_F(JournalTest, RenamedAndDeletedFilesComeBack) {
    WriteText(File("ZEL_Single.BIG"), "single");
    WriteText(File("DB8.dat"), "sdibook");
    Open();
    ASSERT_EQ(Z_RenameFile(File("ZEL_Single.BIG").c_str(), File("ZEL_Single.BIG5").c_str()), 1) << LastError();
    ASSERT_EQ(Z_DeleteFile(File("DB8.dat").c_str()), 1) << LastError();
    Close();
    EXPECT_EQ(Kinds(), "MCM");
    // The renamed file's second name is the one it was renamed to.
    EXPECT_EQ(Check(), 1) << LastError();
    ASSERT_TRUE(Undo()) << LastError();
    EXPECT_EQ(ReadText(File("ZEL_Single.BIG")), "single");
    EXPECT_FALSE(fs::exists(File("ZEL_Single.BIG5")));
    EXPECT_EQ(ReadText(File("DB8.dat")), "sdibook");
    EXPECT_EQ(Check(), 1) << LastError();
    Discard();
}

// The journal is its caller's object: while it records, nothing may end it
// behind its back, and what another process left is ended through an
// object of its own, whose flush its discard then trusts.
TEST_F(JournalTest, ARecordingJournalIsEndedOnlyThroughItsObject) {
    WriteText(File("USER.DIC"), "users");
    Open();
    ASSERT_EQ(Z_DeleteFile(File("USER.DIC").c_str()), 1) << LastError();
    const std::string dir = JournalDir();
    const std::string home = Home();
    EXPECT_EQ(Z_FlushFileJournal(Journal(), dir.c_str(), home.c_str()), 0);
    EXPECT_EQ(LastError(), "Z_FlushFileJournal: the journal is still open");
    EXPECT_EQ(Z_DiscardFileJournal(nullptr, dir.c_str(), home.c_str()), 0);
    EXPECT_EQ(LastError(), "Z_DiscardFileJournal: the journal is still open");
    EXPECT_EQ(Z_UndoFileJournal(dir.c_str(), home.c_str()), 0);
    EXPECT_EQ(LastError(), "Z_UndoFileJournal: the journal is still open");
    EXPECT_EQ(Z_RemoveFileJournal(dir.c_str()), 0);
    EXPECT_EQ(LastError(), "Z_RemoveFileJournal: the journal is still open");
    Close();
    EXPECT_EQ(Z_FileJournalAt(""), nullptr);
    // As the next run finds it: undone, flushed and discarded.
    HZJOURNAL left = Z_FileJournalAt(dir.c_str());
    ASSERT_NE(left, nullptr);
    ASSERT_TRUE(Undo()) << LastError();
    EXPECT_EQ(ReadText(File("USER.DIC")), "users");
    ASSERT_EQ(Z_FlushFileJournal(left, dir.c_str(), home.c_str()), 1) << LastError();
    ASSERT_EQ(Z_DiscardFileJournal(left, dir.c_str(), home.c_str()), 1) << LastError();
    EXPECT_EQ(Z_HasFileJournal(dir.c_str()), 0);
    Z_FreeFileJournal(left);
}

// A file changed in place costs the pages it changes: the journal holds one
// page per page written, not the file. A small file is saved whole at its
// first change instead, so that its later writes owe the journal nothing.
TEST_F(JournalTest, ChangedInPlaceOnlyTheChangedPagesAreSaved) {
    const std::string original = Pattern(20 * 4096 + 100, 'b');
    WriteText(File("BASE.DIC"), original);
    Open();
    HZFILE file = Z_OpenFile(File("BASE.DIC").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr) << LastError();
    Write(file, 0, "4.02");                        // page 0
    Write(file, 3 * 4096 - 2, "spans two pages");  // pages 2 and 3
    Write(file, 10, "same page again");            // page 0, saved already
    Write(file, static_cast<int64_t>(original.size()), "a record more");
    ASSERT_EQ(Z_CloseFile(file), 1);
    Close();
    EXPECT_EQ(Kinds(), "PPP");
    const std::string journalFile = JournalDir() + Z_PATH_SEPARATOR_TEXT + "JOURNAL";
    const uint64_t journal = fs::file_size(journalFile);
    EXPECT_LT(journal, 3 * 4096 + 400) << "three pages and their lines";
#ifndef _WIN32
    // The pages are the file's bytes, which its owner alone may have read.
    EXPECT_EQ(fs::status(journalFile).permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
#endif
    EXPECT_EQ(Check(), 1) << LastError();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(Undo()) << LastError();
        EXPECT_EQ(ReadText(File("BASE.DIC")), original);
    }
    Discard();

    const std::string small = Pattern(2 * 4096 + 10, 's');
    WriteText(File("USER.DIC"), small);
    Open();
    file = Z_OpenFile(File("USER.DIC").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr) << LastError();
    Write(file, 5000, "page 1");  // every page
    Write(file, 0, "page 0");
    Write(file, 8192, "page 2");
    ASSERT_EQ(Z_CloseFile(file), 1);
    Close();
    EXPECT_EQ(Kinds(), "PPP");
    ASSERT_TRUE(Undo()) << LastError();
    EXPECT_EQ(ReadText(File("USER.DIC")), small);
    Discard();
}

// Growing without changing a byte, and cutting: the length is recorded
// either way, and every page a cut takes.
TEST_F(JournalTest, GrownAndCutFilesGetTheirLengthAndBytesBack) {
    const std::string original = Pattern(3 * 4096 + 1, 'c');
    WriteText(File("grown.dic"), original);
    WriteText(File("cut.dic"), original);
    Open();
    HZFILE grown = Z_OpenFile(File("grown.dic").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(grown, nullptr);
    Write(grown, static_cast<int64_t>(original.size()), std::string(9000, 'x'));
    ASSERT_EQ(Z_CloseFile(grown), 1);
    HZFILE cut = Z_OpenFile(File("cut.dic").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(cut, nullptr);
    ASSERT_EQ(Z_TruncateFile(cut, 100), 1) << LastError();
    Write(cut, 50, "after the cut");
    ASSERT_EQ(Z_CloseFile(cut), 1);
    Close();
    EXPECT_EQ(Kinds(), "PPPPP");  // grown: its length; cut: pages 0 to 3
    ASSERT_TRUE(Undo()) << LastError();
    EXPECT_EQ(ReadText(File("grown.dic")), original);
    EXPECT_EQ(ReadText(File("cut.dic")), original);
    Discard();
}

// A file changed in place and then replaced, renamed away or deleted is
// kept whole as it then is; the undo puts it back, then its pages.
TEST_F(JournalTest, ChangedInPlaceThenReplacedIsPutBackWholeThenByPage) {
    const std::string original = Pattern(2 * 4096, 'd');
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        WriteText(File("f.dic"), original);
        Open();
        HZFILE file = Z_OpenFile(File("f.dic").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
        ASSERT_NE(file, nullptr);
        Write(file, 4096, "changed in place");
        ASSERT_EQ(Z_CloseFile(file), 1);
        const int done = how == 0   ? Z_WriteWholeFile(File("f.dic").c_str(), "whole", 5, 0)
                         : how == 1 ? Z_RenameFile(File("f.dic").c_str(), File("g.dic").c_str())
                                    : Z_DeleteFile(File("f.dic").c_str());
        ASSERT_EQ(done, 1) << LastError();
        Close();
        EXPECT_EQ(Check(), 1) << LastError();
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(Undo()) << LastError();
            EXPECT_EQ(ReadText(File("f.dic")), original);
            EXPECT_FALSE(fs::exists(File("g.dic")));
            EXPECT_EQ(Check(), 1) << LastError();
        }
        Discard();
    }
}

// A damaged page is found before anything is put back; a page cut short by
// a crash at the journal's end was never followed by its change.
TEST_F(JournalTest, DamagedPageStopsTheUndoAPageCutShortIsPassedOver) {
    // Larger than a file saved whole at its first change.
    const std::string original = Pattern(20 * 4096, 'e');
    WriteText(File("a.dic"), original);
    Open();
    HZFILE file = Z_OpenFile(File("a.dic").c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    ASSERT_NE(file, nullptr);
    Write(file, 0, "first");
    Write(file, 8192, "third");
    ASSERT_EQ(Z_CloseFile(file), 1);
    Close();
    const std::string path = JournalDir() + Z_PATH_SEPARATOR_TEXT + "JOURNAL";
    const std::string journal = ReadText(path);
    const std::string changed = ReadText(File("a.dic"));

    std::string flipped = journal;
    flipped[journal.find('\n', journal.find("\nP 1 ") + 1) + 100] ^= 0x20;
    WriteText(path, flipped);
    EXPECT_EQ(Check(), 0);
    EXPECT_NE(LastError().find("fails its checksum"), std::string::npos) << LastError();
    EXPECT_FALSE(Undo());
    EXPECT_EQ(ReadText(File("a.dic")), changed);

    // The last record as a crash may leave it, with nothing after it that
    // verifies: its write never reached the file, and the first page is
    // still put back.
    const size_t firstLine = journal.find("\nP 1 ") + 1;
    const size_t lastLine = journal.find('\n', firstLine) + 1 + 4096;
    ASSERT_EQ(journal.compare(lastLine, 4, "P 2 "), 0);
    const size_t lastPage = journal.find('\n', lastLine) + 1;
    std::string lineFlipped = journal;
    lineFlipped[lastPage - 2] ^= 0x04;
    std::string pageFlipped = journal;
    pageFlipped[lastPage + 7] ^= 0x04;
    std::string zeroed = journal;
    std::fill(zeroed.begin() + static_cast<std::ptrdiff_t>(lastLine), zeroed.end(), '\0');
    std::string startKept = zeroed + std::string(20000, '\0');
    startKept.replace(lastLine, 9, journal, lastLine, 9);
    const std::pair<const char*, std::string> cuts[] = {
        {"its page cut short", journal.substr(0, journal.size() - 10)},
        {"its line cut short", journal.substr(0, lastLine + 9)},
        {"its line failing its checksum", lineFlipped},
        {"its page failing its checksum", pageFlipped},
        {"its length on the disk, its bytes not", zeroed},
        {"its length on the disk and more than a line of zeros", zeroed + std::string(20000, '\0')},
        {"the start of its line on the disk, then more than a line of zeros", startKept},
    };
    for (const auto& [cut, text] : cuts) {
        SCOPED_TRACE(cut);
        WriteText(path, text);
        WriteText(File("a.dic"), "first" + original.substr(5));
        EXPECT_EQ(Check(), 3) << LastError();
        ASSERT_TRUE(Undo()) << LastError();
        EXPECT_EQ(ReadText(File("a.dic")), original);
    }
    // More zeros than a journal writes between two flushes, or a line
    // after them: no cut leaves that.
    for (const std::string& text : {zeroed + std::string(2 << 20, '\0'), zeroed + std::string(20000, '\0') + "\n",
                                    startKept + "\n"}) {
        WriteText(path, text);
        EXPECT_EQ(Check(), 0);
        EXPECT_NE(LastError().find("longer than any journal line"), std::string::npos) << LastError();
    }
    WriteText(path, journal);
    Discard();
}

// Renames in a batch share one flush of their folder; until it, a power cut
// takes them back.
TEST_F(JournalTest, BatchedRenamesReachTheDiskAtTheBatchEnd) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows writes each move through at once";
#else
    for (const char* name : {"a", "b"}) {
        WriteText(File(name), "old");
        ASSERT_TRUE(WriteWorkFile(File(std::string(name) + ".new"), "new"));
    }
    zel::toolkit::Env::Get().Power().Track(true);
    ASSERT_EQ(Z_BeginDurableBatch(), 1);
    ASSERT_EQ(Z_ReplaceFile(File("a.new").c_str(), File("a").c_str()), 1);
    zel::toolkit::Env::Get().Power().Cut();
    EXPECT_EQ(ReadText(File("a")), "old") << "a move whose folder was not flushed is lost";
    EXPECT_EQ(ReadText(File("a.new")), "new");
    ASSERT_EQ(Z_EndDurableBatch(), 1);

    zel::toolkit::Env::Get().Power().Track(true);
    ASSERT_EQ(Z_BeginDurableBatch(), 1);
    ASSERT_EQ(Z_ReplaceFile(File("b.new").c_str(), File("b").c_str()), 1);
    ASSERT_EQ(Z_EndDurableBatch(), 1);
    zel::toolkit::Env::Get().Power().Cut();
    EXPECT_EQ(ReadText(File("b")), "new");
    EXPECT_FALSE(fs::exists(File("b.new")));
    zel::toolkit::Env::Get().Power().Track(false);
    EXPECT_EQ(Z_EndDurableBatch(), 0) << "no batch is open";
#endif
}

}  // namespace
