// The contract of the table of file operations (file_system.h), held by the
// system's own table and by every stack of layers over it: each case runs
// once per stack. "Does not exist" is an answer, told apart from "could
// not tell"; names are taken as the operation says (a link itself, or what
// it names by the link rule); a taken name is never replaced by a call
// that must find it free.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "conformance_stacks.h"
#include "durable_files.h"
#include "durable_layer.h"
#include "support/folder_link.h"
#include "toolkit_test_support.h"

using namespace toolkit_test;
using namespace zel::toolkit;

namespace {

class Conformance : public ::testing::TestWithParam<StackMaker> {
protected:
    void SetUp() override {
        stack_ = GetParam().make();
        root_ = scratch_.path() / "root";
        fs::create_directories(root_);
        ASSERT_TRUE(stack_->platform().AddRoot(root_.string()).ok());
    }
    void TearDown() override { stack_.reset(); }

    FileSystem& files() { return stack_->top(); }
    std::string At(const std::string& name) const { return (root_ / name).string(); }

    std::unique_ptr<File> OpenOrFail(const std::string& path, OpenOptions options) {
        Result<std::unique_ptr<File>> opened = files().Open(path, options);
        EXPECT_TRUE(opened.ok()) << path << ": " << opened.status().reason();
        return opened.ok() ? opened.TakeValue() : nullptr;
    }

    void Make(const std::string& path, const std::string& bytes) {
        std::unique_ptr<File> file = OpenOrFail(path, OpenOptions{OpenMode::CreateOnly, Last::Itself});
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->WriteAt(0, bytes.data(), bytes.size()).ok());
        ASSERT_TRUE(file->Close().ok());
    }

    std::string Read(const std::string& path) {
        std::unique_ptr<File> file = OpenOrFail(path, OpenOptions{OpenMode::Read, Last::Follow});
        if (file == nullptr) return "<unreadable>";
        std::string bytes(1 << 16, '\0');
        Result<size_t> count = file->ReadAt(0, bytes.data(), bytes.size());
        EXPECT_TRUE(count.ok());
        bytes.resize(count.ok() ? *count : 0);
        return bytes;
    }

    Kind KindOf(const std::string& path, Last last) {
        Result<Facts> facts = files().Look(path, last);
        EXPECT_TRUE(facts.ok()) << path << ": " << facts.status().reason();
        return facts.ok() ? facts->kind : Kind::Other;
    }

    // A link made on the disk; none over a layer that keeps its changes,
    // since the disk's link leads to the disk's files, not to those made
    // through the layer.
    bool MakeFileLink(const std::string& link, const std::string& target) {
        if (stack_->KeepsChanges()) return false;
#ifdef _WIN32
        (void)link;
        (void)target;
        return false;  // a test under Wine can make folder links of the host only
#else
        return ::symlink(target.c_str(), link.c_str()) == 0;
#endif
    }

    ScratchDir scratch_;
    fs::path root_;
    std::unique_ptr<Stack> stack_;
};

TEST_P(Conformance, LookTellsMissingFromCouldNotTell) {
    Make(At("file"), "x");
    EXPECT_EQ(KindOf(At("file"), Last::Follow), Kind::Regular);
    EXPECT_EQ(KindOf(At("none"), Last::Follow), Kind::Missing);
    EXPECT_EQ(KindOf(At("none/deeper/name"), Last::Follow), Kind::Missing);
    // A file where a folder must be holds no names.
    EXPECT_EQ(KindOf(At("file/name"), Last::Follow), Kind::Missing);
    Result<std::unique_ptr<File>> under = files().Open(At("file/name"), OpenOptions{OpenMode::CreateOnly, Last::Itself});
    ASSERT_FALSE(under.ok());
    EXPECT_TRUE(under.status().IsNotFound()) << under.status().reason();
    ASSERT_TRUE(files().MakeFolder(At("folder"), false).ok());
    EXPECT_EQ(KindOf(At("folder"), Last::Follow), Kind::Folder);
#ifndef _WIN32
    // A name longer than the system takes: nothing can be told of it.
    Result<Facts> tooLong = files().Look(At(std::string(300, 'n')), Last::Follow);
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.status().code(), Code::TooLong);
    if (::geteuid() != 0) {
        // A folder that may not be searched: the name in it cannot be told.
        ASSERT_TRUE(files().MakeFolder(At("closed"), false).ok());
        Make(At("closed/inside"), "x");
        ::chmod(At("closed").c_str(), 0);
        Result<Facts> closed = files().Look(At("closed/inside"), Last::Follow);
        ::chmod(At("closed").c_str(), 0755);
        ASSERT_FALSE(closed.ok());
        EXPECT_EQ(closed.status().code(), Code::Access) << closed.status().reason();
        EXPECT_NE(closed.status().systemError(), 0);
    }
#endif
}

TEST_P(Conformance, FilesReadWriteAndCutAtOffsets) {
    std::unique_ptr<File> file = OpenOrFail(At("data"), OpenOptions{OpenMode::CreateOnly, Last::Itself});
    ASSERT_NE(file, nullptr);
    const std::string bytes(10000, 'a');
    ASSERT_TRUE(file->WriteAt(0, bytes.data(), bytes.size()).ok());
    ASSERT_TRUE(file->WriteAt(9998, "bcd", 3).ok());
    char buffer[16] = {};
    Result<size_t> count = file->ReadAt(9996, buffer, sizeof buffer);
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(std::string(buffer, *count), "aabcd") << "short only at the end";
    ASSERT_TRUE(file->Truncate(4).ok());
    ASSERT_TRUE(file->Flush().ok());
    Result<Facts> facts = file->Look();
    ASSERT_TRUE(facts.ok());
    EXPECT_EQ(facts->size, 4u);
    EXPECT_EQ(facts->kind, Kind::Regular);
    ASSERT_TRUE(file->Close().ok());
    EXPECT_EQ(Read(At("data")), "aaaa");
    std::unique_ptr<File> update = OpenOrFail(At("data"), OpenOptions{OpenMode::Update, Last::Follow});
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(update->WriteAt(1, "Z", 1).ok());
    ASSERT_TRUE(update->Close().ok());
    EXPECT_EQ(Read(At("data")), "aZaa");
}

TEST_P(Conformance, OpenRefusesWhatIsNoRegularFileWithoutWaiting) {
    Result<std::unique_ptr<File>> missing = files().Open(At("none"), OpenOptions{OpenMode::Read, Last::Follow});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.status().code(), Code::NotFound);
    ASSERT_TRUE(files().MakeFolder(At("folder"), false).ok());
    Result<std::unique_ptr<File>> folder = files().Open(At("folder"), OpenOptions{OpenMode::Read, Last::Follow});
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.status().code(), Code::IsFolder);
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
    Result<std::unique_ptr<File>> pipe = files().Open(At("pipe"), OpenOptions{OpenMode::Update, Last::Follow});
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.status().code(), Code::NotRegular);
#endif
}

TEST_P(Conformance, CreateOnlyKeepsATakenNameAndNeverFollowsALink) {
    Make(At("taken"), "old");
    Result<std::unique_ptr<File>> again = files().Open(At("taken"), OpenOptions{OpenMode::CreateOnly, Last::Itself});
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.status().code(), Code::Exists);
    EXPECT_EQ(Read(At("taken")), "old");
    if (!MakeFileLink(At("link"), At("target"))) GTEST_SKIP() << "no file links here";
    Result<std::unique_ptr<File>> through = files().Open(At("link"), OpenOptions{OpenMode::CreateOnly, Last::Itself});
    ASSERT_FALSE(through.ok());
    EXPECT_EQ(through.status().code(), Code::Exists);
    EXPECT_EQ(KindOf(At("target"), Last::Itself), Kind::Missing) << "nothing made where the link leads";
}

TEST_P(Conformance, RenameKeepsATakenNameOrReplacesWhatALinkNames) {
    Make(At("a"), "a");
    Make(At("b"), "b");
    Touched touched;
    Status kept = files().Rename(At("a"), At("b"), RenameMode::NoReplace, &touched);
    EXPECT_EQ(kept.code(), Code::Exists);
    EXPECT_EQ(Read(At("a")), "a");
    EXPECT_EQ(Read(At("b")), "b");
    EXPECT_EQ(files().Rename(At("none"), At("c"), RenameMode::NoReplace).code(), Code::NotFound);
    ASSERT_TRUE(files().Rename(At("a"), At("c"), RenameMode::NoReplace, &touched).ok());
    EXPECT_EQ(SplitLast(touched.name).name, "c");
    EXPECT_EQ(SplitLast(touched.otherName).name, "a");
    ASSERT_TRUE(files().Rename(At("c"), At("b"), RenameMode::Replace).ok());
    EXPECT_EQ(Read(At("b")), "a");
    EXPECT_EQ(KindOf(At("c"), Last::Itself), Kind::Missing);
    if (!MakeFileLink(At("link"), At("b"))) GTEST_SKIP() << "no file links here";
    Make(At("new"), "new");
    ASSERT_TRUE(files().Rename(At("new"), At("link"), RenameMode::Replace, &touched).ok());
    EXPECT_EQ(KindOf(At("link"), Last::Itself), Kind::Link) << "the link stays";
    EXPECT_EQ(Read(At("b")), "new");
    EXPECT_EQ(SplitLast(touched.name).name, "b");
}

TEST_P(Conformance, RemoveTakesANameNeverWhatALinkNames) {
    EXPECT_EQ(files().Remove(At("none")).code(), Code::NotFound);
    ASSERT_TRUE(files().MakeFolder(At("folder"), false).ok());
    EXPECT_EQ(files().Remove(At("folder")).code(), Code::IsFolder);
    Make(At("target"), "t");
    if (MakeFileLink(At("link"), At("target"))) {
        ASSERT_TRUE(files().Remove(At("link")).ok());
        EXPECT_EQ(Read(At("target")), "t");
    }
    Touched touched;
    ASSERT_TRUE(files().Remove(At("target"), &touched).ok());
    EXPECT_EQ(SplitLast(touched.name).name, "target");
    EXPECT_EQ(KindOf(At("target"), Last::Itself), Kind::Missing);
}

// A file made here is the system table's to know until its name goes:
// removed, or replaced by a move, its identity is forgotten, so that one
// the system gives again to another file is never taken for it.
TEST_P(Conformance, AFileMadeHereIsKnownUntilItsNameGoes) {
    if (stack_->KeepsChanges()) GTEST_SKIP() << "the layer keeps the files it makes to itself";
    Make(At("a"), "a");
    Make(At("b"), "b");
    const Result<Facts> a = files().Look(At("a"), Last::Itself);
    const Result<Facts> b = files().Look(At("b"), Last::Itself);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_TRUE(stack_->platform().WasMade(*a));
    ASSERT_TRUE(files().Rename(At("a"), At("b"), RenameMode::Replace).ok());
    EXPECT_FALSE(stack_->platform().WasMade(*b)) << "the file a move replaced";
    EXPECT_TRUE(stack_->platform().WasMade(*a)) << "the file moved";
    ASSERT_TRUE(files().Remove(At("b")).ok());
    EXPECT_FALSE(stack_->platform().WasMade(*a)) << "the file removed";
}

TEST_P(Conformance, LinkGivesASecondNameToOneFile) {
    Make(At("file"), "one");
    ASSERT_TRUE(files().Link(At("file"), At("second")).ok());
    Result<Facts> first = files().Look(At("file"), Last::Itself);
    Result<Facts> second = files().Look(At("second"), Last::Itself);
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(first->index, second->index);
    EXPECT_EQ(second->links, 2u);
    EXPECT_EQ(files().Link(At("file"), At("second")).code(), Code::Exists);
    EXPECT_EQ(files().Link(At("none"), At("third")).code(), Code::NotFound);
}

TEST_P(Conformance, FoldersAreMadeListedFlushedAndRemoved) {
    ASSERT_TRUE(files().MakeFolder(At("folder"), false).ok());
    EXPECT_EQ(files().MakeFolder(At("folder"), false).code(), Code::Exists);
    EXPECT_TRUE(files().MakeFolder(At("none/deeper"), false).IsNotFound());
    Make(At("folder/file"), "x");
    ASSERT_TRUE(files().MakeFolder(At("folder/inner"), false).ok());
    Result<std::vector<Entry>> listed = files().List(At("folder"));
    ASSERT_TRUE(listed.ok());
    ASSERT_EQ(listed->size(), 2u);
    for (const Entry& entry : *listed) {
        EXPECT_TRUE(entry.exact);
        EXPECT_EQ(entry.kind, entry.name == "file" ? Kind::Regular : Kind::Folder) << entry.name;
    }
    EXPECT_EQ(files().List(At("none")).status().code(), Code::NotFound);
    EXPECT_TRUE(files().FlushFolder(At("folder")).ok());
    if (!stack_->OwesFlushes()) {
        EXPECT_TRUE(files().FlushFolder(At("none")).IsNotFound());
    }
    Status full = files().RemoveFolder(At("folder"));
    EXPECT_FALSE(full.ok());
    EXPECT_FALSE(full.IsNotFound()) << "a folder that holds names is there";
    ASSERT_TRUE(files().RemoveFolder(At("folder/inner")).ok());
    EXPECT_EQ(files().RemoveFolder(At("folder/inner")).code(), Code::NotFound);
}

TEST_P(Conformance, AttributesGoOnTheOpenFileNotOnANameSwappedIn) {
    Make(At("work"), "bytes");
    Make(At("other"), "other");
    std::unique_ptr<File> file = OpenOrFail(At("work"), OpenOptions{OpenMode::Settle, Last::Itself});
    ASSERT_NE(file, nullptr);
    // The name is taken by another file after the open.
    ASSERT_TRUE(files().Rename(At("work"), At("moved"), RenameMode::NoReplace).ok());
    ASSERT_TRUE(files().Rename(At("other"), At("work"), RenameMode::NoReplace).ok());
    ASSERT_TRUE(file->SetAttributes(Attributes{0444, -1, -1}).ok());
    ASSERT_TRUE(file->Flush().ok());
    ASSERT_TRUE(file->Close().ok());
    Result<Facts> moved = files().Look(At("moved"), Last::Itself);
    Result<Facts> swapped = files().Look(At("work"), Last::Itself);
    ASSERT_TRUE(moved.ok() && swapped.ok());
    EXPECT_EQ(moved->mode & 0222, 0u);
    EXPECT_NE(swapped->mode & 0200, 0u);
    std::unique_ptr<File> again = OpenOrFail(At("moved"), OpenOptions{OpenMode::Settle, Last::Itself});
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->SetAttributes(Attributes{0644, -1, -1}).ok());
    EXPECT_TRUE(again->Close().ok());
}

// Records are made for their owner alone, and whose a file is is asked of
// the open file or of the name as the call takes it; a file another
// account owns or may write is no record of the program's.
TEST_P(Conformance, OwnerOnlyFilesAndFoldersAreTheProgramsOwn) {
    OpenOptions privateFile{OpenMode::CreateOnly, Last::Itself, true};
    std::unique_ptr<File> record = OpenOrFail(At("record"), privateFile);
    ASSERT_NE(record, nullptr);
    Result<Ownership> own = record->Owner();
    ASSERT_TRUE(own.ok()) << own.status().reason();
    EXPECT_TRUE(OwnStatus(*own).ok()) << own->refusal;
    ASSERT_TRUE(record->Close().ok());
    ASSERT_TRUE(files().MakeFolder(At("records"), true).ok());
    for (const char* name : {"record", "records"}) {
        Result<Ownership> named = files().Owner(At(name), Last::Itself);
        ASSERT_TRUE(named.ok()) << name << ": " << named.status().reason();
        EXPECT_TRUE(OwnStatus(*named).ok()) << name << ": " << named->refusal;
    }
    EXPECT_TRUE(files().Owner(At("none"), Last::Itself).status().IsNotFound());
#ifndef _WIN32
    if (!stack_->KeepsChanges()) {
        EXPECT_EQ(fs::status(At("record")).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(fs::status(At("records")).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    // Nothing the toolkit sets is set-id.
    std::unique_ptr<File> settled = OpenOrFail(At("record"), OpenOptions{OpenMode::Settle, Last::Itself});
    ASSERT_NE(settled, nullptr);
    ASSERT_TRUE(settled->SetAttributes(Attributes{06775, -1, -1}).ok());
    ASSERT_TRUE(settled->Close().ok());
    Result<Facts> settledFacts = files().Look(At("record"), Last::Itself);
    ASSERT_TRUE(settledFacts.ok());
    EXPECT_EQ(settledFacts->mode & 07777u, 0775u);
    Result<Ownership> shared = files().Owner(At("record"), Last::Itself);
    ASSERT_TRUE(shared.ok());
    const Status refused = OwnStatus(*shared);
    EXPECT_EQ(refused.code(), Code::NotOwn);
    EXPECT_EQ(refused.reason(), "group or others may write it (mode 0775)");
    if (::geteuid() == 0 && !stack_->KeepsChanges()) {
        ASSERT_EQ(::chmod(At("record").c_str(), 0600), 0);
        ASSERT_EQ(::chown(At("record").c_str(), 65534, 65534), 0);
        Result<Ownership> foreign = files().Owner(At("record"), Last::Itself);
        ASSERT_TRUE(foreign.ok());
        EXPECT_EQ(OwnStatus(*foreign).reason(), "it belongs to user 65534, neither the user running this nor root");
    }
#endif
}

TEST_P(Conformance, LocksRuleEachOtherOut) {
    Result<std::unique_ptr<Lock>> shared = files().TakeLock(At("lock"), LockMode::Shared);
    ASSERT_FALSE(shared.ok());
    EXPECT_TRUE(shared.status().IsNotFound());
    Result<std::unique_ptr<Lock>> first = files().TakeLock(At("lock"), LockMode::Exclusive);
    ASSERT_TRUE(first.ok()) << first.status().reason();
    Result<std::unique_ptr<Lock>> second = files().TakeLock(At("lock"), LockMode::Exclusive);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.status().code(), Code::Busy);
    first = Result<std::unique_ptr<Lock>>(nullptr);
    EXPECT_EQ(KindOf(At("lock"), Last::Itself), Kind::Missing) << "the holder's file goes with the lock";
    Result<uint64_t> space = files().FreeSpace(At(""));
    ASSERT_TRUE(space.ok());
    EXPECT_GT(*space, 0u);
}

TEST_P(Conformance, TheLinkRuleFollowsOnlyAllowedLinksToFilesOrFolders) {
    if (stack_->KeepsChanges()) GTEST_SKIP() << "the disk's links lead to the disk's files";
    std::string why;
    ASSERT_TRUE(files().MakeFolder(At("elsewhere"), false).ok());
    Make(At("elsewhere/file"), "x");
    if (!zel::testing::MakeFolderLink(At("folderlink"), At("elsewhere"), &why)) GTEST_SKIP() << why;
    EXPECT_EQ(KindOf(At("folderlink"), Last::Itself), Kind::Link);
    EXPECT_EQ(KindOf(At("folderlink"), Last::Follow), Kind::Folder);
    EXPECT_EQ(KindOf(At("folderlink/file"), Last::Itself), Kind::Regular);
    Result<Path> resolved = files().Resolve(At("folderlink/file"), Last::Follow);
    ASSERT_TRUE(resolved.ok());
    EXPECT_EQ(SplitLast(SplitLast(*resolved).folder).name, "elsewhere");
    EXPECT_TRUE(zel::testing::RemoveFolderLink(At("folderlink"), &why)) << why;
#ifndef _WIN32
    // A link that leads nowhere, as the last name followed.
    ASSERT_TRUE(MakeFileLink(At("dangling"), At("nothing")));
    Result<Facts> dangling = files().Look(At("dangling"), Last::Follow);
    ASSERT_FALSE(dangling.ok());
    EXPECT_EQ(dangling.status().code(), Code::UnsafeLink);
    // More than 32 links in a row.
    for (int hop = 0; hop < 33; ++hop) {
        ASSERT_TRUE(MakeFileLink(At("hop" + std::to_string(hop)), At("hop" + std::to_string(hop + 1))));
    }
    Make(At("hop33"), "end");
    Result<Facts> far = files().Look(At("hop0"), Last::Follow);
    ASSERT_FALSE(far.ok());
    EXPECT_EQ(far.status().code(), Code::UnsafeLink);
    EXPECT_EQ(KindOf(At("hop2"), Last::Follow), Kind::Regular);
    // A link of another user is never followed (only root can make one).
    if (::geteuid() == 0) {
        ASSERT_TRUE(MakeFileLink(At("foreign"), At("elsewhere/file")));
        ASSERT_EQ(::lchown(At("foreign").c_str(), 65534, 65534), 0);
        Result<Facts> foreign = files().Look(At("foreign"), Last::Follow);
        ASSERT_FALSE(foreign.ok());
        EXPECT_EQ(foreign.status().code(), Code::UnsafeLink);
        EXPECT_NE(foreign.status().reason().find("belongs to user 65534"), std::string::npos);
    }
#endif
}

// Below the durable layer, what reaches the system: the folders flushed
// and the names changed, in order.
class Recorder : public Layer {
public:
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) override {
        calls.push_back("rename " + SplitLast(to).name);
        return below_->Rename(from, to, mode, touched);
    }
    Status FlushFolder(const Path& folder) override {
        calls.push_back("flush " + SplitLast(folder).name);
        return below_->FlushFolder(folder);
    }
    std::vector<std::string> calls;
};

// Whatever a crash keeps of a batch is a prefix of its changes: owed
// folders are flushed in the order of their first change, and a change in
// a folder that owes a flush while another changed after it flushes them
// all first.
TEST(DurableLayer, OwedFoldersFlushInTheOrderOfTheirChanges) {
    ScratchDir scratch;
    std::unique_ptr<PlatformFileSystem> platform = MakePlatformFileSystem();
    Recorder recorder;
    recorder.SetBelow(platform.get());
    DurableLayer durable;
    durable.SetBelow(&recorder);
    for (const char* folder : {"system", "bin"}) fs::create_directories(scratch.path() / folder);
    for (const char* name : {"system/a", "system/b", "bin/c"}) WriteText(scratch.file(name), name);
    const auto rename = [&](const std::string& from, const std::string& to) {
        Touched touched;
        ASSERT_TRUE(durable.Rename(scratch.file(from), scratch.file(to), RenameMode::NoReplace, &touched).ok());
        ASSERT_TRUE(durable.FlushFolder(SplitLast(touched.name).folder).ok());
    };
    durable.BeginBatch();
    rename("system/a", "system/a2");
    rename("bin/c", "bin/c2");
    rename("system/b", "system/b2");
    ASSERT_TRUE(durable.EndBatch().ok());
    const std::vector<std::string> expected = {"rename a2", "rename c2",    "flush system", "flush bin",
                                               "rename b2", "flush system"};
    EXPECT_EQ(recorder.calls, expected);
    // Outside a batch each change is flushed at once.
    recorder.calls.clear();
    rename("system/a2", "system/a3");
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"rename a3", "flush system"}));
}

// A cut keeps of each file the bytes of its last flush and of each folder
// the names of its last flush: a file made and never flushed into its
// folder goes, a rename and a removal whose folders were not flushed come
// back, and what was flushed stays.
TEST(PowerLayer, ACutKeepsWhatWasFlushedAndNothingElse) {
    ScratchDir scratch;
    PowerStack stack;
    FileSystem& files = stack.top();
    const auto write = [&](const std::string& name, const std::string& bytes, bool flush) {
        Result<std::unique_ptr<File>> file = files.Open(scratch.file(name), OpenOptions{OpenMode::CreateOnly, Last::Itself});
        ASSERT_TRUE(file.ok()) << file.status().reason();
        ASSERT_TRUE((*file)->WriteAt(0, bytes.data(), bytes.size()).ok());
        if (flush) {
            ASSERT_TRUE((*file)->Flush().ok());
        }
        ASSERT_TRUE((*file)->Close().ok());
    };
    write("kept", "kept", true);
    write("renamed", "renamed", true);
    write("removed", "removed", true);
    ASSERT_TRUE(files.FlushFolder(scratch.path().string()).ok());
    write("unflushed", "lost", false);
    Result<std::unique_ptr<File>> changed = files.Open(scratch.file("kept"), OpenOptions{OpenMode::Update, Last::Itself});
    ASSERT_TRUE(changed.ok());
    ASSERT_TRUE((*changed)->WriteAt(0, "KEPT", 4).ok());
    ASSERT_TRUE((*changed)->WriteAt(4, "+more", 5).ok());
    ASSERT_TRUE((*changed)->Close().ok());
    ASSERT_TRUE(files.Rename(scratch.file("renamed"), scratch.file("moved"), RenameMode::NoReplace).ok());
    ASSERT_TRUE(files.Remove(scratch.file("removed")).ok());
    stack.power().Cut();
    EXPECT_EQ(ReadText(scratch.file("kept")), "kept");
    EXPECT_EQ(ReadText(scratch.file("renamed")), "renamed");
    EXPECT_EQ(ReadText(scratch.file("removed")), "removed");
    EXPECT_FALSE(fs::exists(scratch.file("unflushed")));
    EXPECT_FALSE(fs::exists(scratch.file("moved")));

    // Flushed, the same changes stay.
    stack.power().Track(true);
    write("made", "made", true);
    ASSERT_TRUE(files.Rename(scratch.file("renamed"), scratch.file("moved"), RenameMode::NoReplace).ok());
    ASSERT_TRUE(files.Remove(scratch.file("removed")).ok());
    ASSERT_TRUE(files.FlushFolder(scratch.path().string()).ok());
    stack.power().Cut();
    EXPECT_EQ(ReadText(scratch.file("made")), "made");
    EXPECT_EQ(ReadText(scratch.file("moved")), "renamed");
    EXPECT_FALSE(fs::exists(scratch.file("renamed")));
    EXPECT_FALSE(fs::exists(scratch.file("removed")));
}

// The ordered model: one log of name changes for the whole disk, which any
// flush commits up to that point; of the changes after the last commit a
// cut keeps the first K.
TEST(PowerLayer, AnOrderedCutKeepsAPrefixOfTheChangesSinceTheLastFlush) {
    for (const char* keep : {"0", "1", "half", "all"}) {
        SCOPED_TRACE(keep);
        ScratchDir scratch;
        for (const char* name : {"a", "d", "e"}) WriteText(scratch.file(name), name);
        PowerStack stack;
        CutChoice choice;
        ASSERT_TRUE(ParseCutChoice(std::string("power:ordered:") + keep, &choice));
        stack.power().Track(true, choice);
        FileSystem& files = stack.top();
        // Committed by the flush of another file, though its folder never is.
        ASSERT_TRUE(files.Remove(scratch.file("e")).ok());
        Result<std::unique_ptr<File>> flushed = files.Open(scratch.file("d"), OpenOptions{OpenMode::Update, Last::Itself});
        ASSERT_TRUE(flushed.ok() && (*flushed)->Flush().ok() && (*flushed)->Close().ok());
        ASSERT_TRUE(files.Rename(scratch.file("a"), scratch.file("b"), RenameMode::NoReplace).ok());
        Result<std::unique_ptr<File>> made = files.Open(scratch.file("c"), OpenOptions{OpenMode::CreateOnly, Last::Itself});
        ASSERT_TRUE(made.ok() && (*made)->WriteAt(0, "c", 1).ok() && (*made)->Close().ok());
        ASSERT_TRUE(files.Remove(scratch.file("d")).ok());
        ASSERT_TRUE(files.Rename(scratch.file("b"), scratch.file("f"), RenameMode::NoReplace).ok());
        stack.power().Cut();
        const int kept = keep == std::string("all") ? 4 : keep == std::string("half") ? 2 : std::atoi(keep);
        EXPECT_FALSE(fs::exists(scratch.file("e")));
        EXPECT_EQ(fs::exists(scratch.file("a")), kept == 0);
        EXPECT_EQ(fs::exists(scratch.file("b")), kept >= 1 && kept < 4);
        EXPECT_EQ(fs::exists(scratch.file("c")), kept >= 2);
        if (kept >= 2) {
            EXPECT_EQ(ReadText(scratch.file("c")), "") << "its bytes were never flushed";
        }
        EXPECT_EQ(fs::exists(scratch.file("d")), kept < 3);
        EXPECT_EQ(fs::exists(scratch.file("f")), kept == 4);
        EXPECT_EQ(ReadText(scratch.file(kept == 0 ? "a" : kept < 4 ? "b" : "f")), "a");
    }
}

// The torn model: of a file's bytes written since its last flush, the
// sectors from the first changed one up to a drawn count survive; a file
// that grew may keep its new length before its bytes (zeros).
TEST(PowerLayer, ATornCutKeepsAPrefixOfTheUnflushedSectors) {
    const std::string durable(700, 'd');
    std::string written = durable;
    written.replace(600, 100, 100, 'w');
    written += std::string(1500, 'w');
    bool torn = false;
    bool lengthAhead = false;
    for (uint64_t seed = 0; seed < 24; ++seed) {
        SCOPED_TRACE(seed);
        ScratchDir scratch;
        WriteText(scratch.file("j"), durable);
        PowerStack stack;
        CutChoice choice;
        ASSERT_TRUE(ParseCutChoice("power:torn:" + std::to_string(seed), &choice));
        stack.power().Track(true, choice);
        Result<std::unique_ptr<File>> file = stack.top().Open(scratch.file("j"), OpenOptions{OpenMode::Update, Last::Itself});
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE((*file)->WriteAt(600, written.data() + 600, written.size() - 600).ok());
        ASSERT_TRUE((*file)->Close().ok());
        stack.power().Cut();
        const std::string left = ReadText(scratch.file("j"));
        // Sectors 1 to 4 changed; the first k of them survive.
        bool matched = false;
        for (size_t kept = 0; kept <= 4 && !matched; ++kept) {
            const size_t end = kept == 0 ? 0 : std::min(written.size(), 512 * (kept + 1));
            for (size_t length : {durable.size(), std::max(durable.size(), end), written.size()}) {
                std::string expected = durable;
                expected.resize(length, '\0');
                if (end > 512) expected.replace(512, std::min(end, length) - 512, written, 512, std::min(end, length) - 512);
                if (left == expected) {
                    matched = true;
                    torn = torn || (kept > 0 && kept < 4);
                    lengthAhead = lengthAhead || (length == written.size() && kept < 4);
                }
            }
        }
        EXPECT_TRUE(matched) << "not a prefix of the written sectors: " << left.size() << " bytes";
    }
    EXPECT_TRUE(torn) << "no seed tore the write";
    EXPECT_TRUE(lengthAhead) << "no seed sent the length ahead";
}

// A rename flushes the bytes of a file this process opened to change; a
// file it never opened to change (made before the run, its bytes on the
// disk) moves with its folder's flush alone.
TEST(DurableLayer, ARenameFlushesTheBytesOfAFileOpenedToChangeHere) {
    ScratchDir scratch;
    PowerStack stack;
    DurableLayer durable;
    durable.SetBelow(&stack.top());
    const auto changedHere = [&](const Facts& facts) { return durable.ChangedHere(facts); };
    WriteText(scratch.file("before"), "before the run");
    WriteText(scratch.file("changed"), "old");
    ASSERT_TRUE(durable.FlushFolder(scratch.path().string()).ok());
    Result<std::unique_ptr<File>> changed =
        durable.Open(scratch.file("changed"), OpenOptions{OpenMode::Update, Last::Itself});
    ASSERT_TRUE(changed.ok()) << changed.status().reason();
    ASSERT_TRUE((*changed)->WriteAt(0, "new", 3).ok());
    ASSERT_TRUE((*changed)->Close().ok());
    Result<Facts> untouched = durable.Look(scratch.file("before"), Last::Itself);
    ASSERT_TRUE(untouched.ok());
    EXPECT_FALSE(durable.ChangedHere(*untouched));

    ASSERT_TRUE(RenameDurably(durable, scratch.file("changed"), scratch.file("changed2"), changedHere).ok());
    ASSERT_TRUE(RenameDurably(durable, scratch.file("before"), scratch.file("before2"), changedHere).ok());
    stack.power().Cut();
    EXPECT_EQ(ReadText(scratch.file("changed2")), "new");
    EXPECT_EQ(ReadText(scratch.file("before2")), "before the run");
    EXPECT_FALSE(fs::exists(scratch.file("changed")));
    EXPECT_FALSE(fs::exists(scratch.file("before")));
}

INSTANTIATE_TEST_SUITE_P(Stacks, Conformance, ::testing::ValuesIn(ConformanceStacks()),
                         [](const ::testing::TestParamInfo<StackMaker>& stack) { return stack.param.name; });

}  // namespace

namespace {

// Every name beneath a folder with its bytes ("/" for a folder).
std::map<std::string, std::string> DiskState(const fs::path& folder) {
    std::map<std::string, std::string> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        state[name] = entry.is_directory() ? "/" : ReadText(entry.path().string());
    }
    return state;
}

std::vector<std::string> Names(FileSystem& files, const std::string& folder) {
    Result<std::vector<Entry>> listed = files.List(folder);
    EXPECT_TRUE(listed.ok()) << folder << ": " << listed.status().reason();
    std::vector<std::string> names;
    if (listed.ok()) {
        for (const Entry& entry : *listed) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// The dry run's overlay over files already on the disk: it reads back what
// it changed, names made, moved and removed included, and the disk stays as
// it was, however much was changed: pages beyond its memory go to its work
// file, which goes with it.
TEST(Overlay, ReadsBackItsChangesAndLeavesTheDiskAsItWas) {
    ScratchDir scratch;
    const fs::path root = scratch.path() / "root";
    const fs::path spill = scratch.path() / "spill";
    fs::create_directories(root / "folder");
    fs::create_directories(spill);
    WriteText((root / "big").string(), std::string(5 * 4096 + 100, 'b'));
    WriteText((root / "gone").string(), "g");
    WriteText((root / "moved").string(), "m");
    WriteText((root / "folder" / "kept").string(), "k");
    fs::create_hard_link(root / "big", root / "twin");
    const auto before = DiskState(root);
    const auto at = [&root](const char* name) { return (root / name).string(); };

    std::unique_ptr<PlatformFileSystem> platform = MakePlatformFileSystem();
    ASSERT_TRUE(platform->AddRoot(root.string()).ok());
    {
        OverlayLayer overlay(spill.string(), 2 * 4096);
        overlay.SetBelow(platform.get());
        Result<std::unique_ptr<File>> opened = overlay.Open(at("big"), OpenOptions{OpenMode::Update, Last::Follow});
        ASSERT_TRUE(opened.ok()) << opened.status().reason();
        std::unique_ptr<File> big = opened.TakeValue();
        ASSERT_TRUE(big->WriteAt(4090, std::string(8200, 'c').data(), 8200).ok());
        ASSERT_TRUE(big->Truncate(3 * 4096 + 5).ok());
        ASSERT_TRUE(big->WriteAt(4 * 4096, "e", 1).ok());
        ASSERT_TRUE(big->Close().ok());
        EXPECT_FALSE(fs::is_empty(spill)) << "the pages beyond the memory go to the work file";

        ASSERT_TRUE(overlay.Rename(at("moved"), at("folder/moved2"), RenameMode::NoReplace).ok());
        ASSERT_TRUE(overlay.Remove(at("gone")).ok());
        ASSERT_TRUE(overlay.MakeFolder(at("new"), false).ok());
        ASSERT_TRUE(overlay.Link(at("big"), at("folder/big2")).ok());
        Result<std::unique_ptr<File>> second =
            overlay.Open(at("folder/big2"), OpenOptions{OpenMode::Update, Last::Follow});
        ASSERT_TRUE(second.ok());
        ASSERT_TRUE((*second)->WriteAt(0, "L", 1).ok());
        ASSERT_TRUE((*second)->Close().ok());

        Result<std::unique_ptr<File>> reread = overlay.Open(at("big"), OpenOptions{OpenMode::Read, Last::Follow});
        ASSERT_TRUE(reread.ok());
        std::string bytes(8 * 4096, '\0');
        Result<size_t> count = (*reread)->ReadAt(0, bytes.data(), bytes.size());
        ASSERT_TRUE(count.ok());
        bytes.resize(*count);
        const std::string expected = "L" + std::string(4089, 'b') + std::string(8200, 'c') + "bbb" +
                                     std::string(4 * 4096 - (3 * 4096 + 5), '\0') + "e";
        EXPECT_EQ(bytes, expected) << "a hard link shares the bytes; a cut file grows with zeros";
        Result<std::unique_ptr<File>> twin = overlay.Open(at("twin"), OpenOptions{OpenMode::Read, Last::Follow});
        ASSERT_TRUE(twin.ok());
        std::string twinBytes(8 * 4096, '\0');
        count = (*twin)->ReadAt(0, twinBytes.data(), twinBytes.size());
        ASSERT_TRUE(count.ok());
        twinBytes.resize(*count);
        EXPECT_EQ(twinBytes, expected) << "a name the disk gave the file before reads its changes too";
        EXPECT_EQ(Names(overlay, root.string()), (std::vector<std::string>{"big", "folder", "new", "twin"}));
        EXPECT_EQ(Names(overlay, at("folder")), (std::vector<std::string>{"big2", "kept", "moved2"}));
        EXPECT_EQ(overlay.Look(at("gone"), Last::Itself)->kind, Kind::Missing);
        EXPECT_EQ(overlay.Look(at("folder/big2"), Last::Itself)->links, 3u);
        EXPECT_EQ(DiskState(root), before);
    }
    EXPECT_EQ(DiskState(root), before);
    EXPECT_TRUE(fs::is_empty(spill));
}
