// The one table of file-system operations that every file operation of the
// toolkit goes through. Each operation is one change the system makes (one
// system call after a walk that only looks), and answers with a Status
// that says why it failed; "does not exist" is an answer of its own, told
// apart from "could not tell".
//
// Layers stack over the platform's table (env.h): each forwards what it
// does not change to the one below, so that an operation added later
// passes through all of them without anyone remembering a hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "status.h"

namespace zel::toolkit {

using Path = std::string;  // narrow text in the system's encoding (the code page on Windows)

enum class Kind : uint8_t { Missing, Regular, Folder, Link, Other };

// How the last name of a path is taken.
enum class Last : uint8_t {
    Follow,  // a link there is followed when the link rule allows it
    Itself,  // the name itself: a link there is the link
};

// What the system says about a name (or an open file).
struct Facts {
    Kind kind = Kind::Missing;
    uint64_t size = 0;
    uint64_t links = 0;
    // The file's identity: device and inode, or volume serial and file
    // index; the same for every name of one file.
    uint64_t volume = 0;
    uint64_t index = 0;
    uint32_t mode = 0;  // permission bits (07777); on Windows 0444 when read-only, else 0666
    int64_t owner = -1;
    int64_t group = -1;
};

// Attributes set on an open file before it takes its name, never by name.
struct Attributes {
    // Permission bits to set (0777: no set-id or sticky bit is ever set),
    // or -1 to leave them; on Windows only the owner's write bit counts
    // (none: read-only).
    int32_t mode = -1;
    // Owner and group, -1 to leave: only a privileged process gives a
    // file away, an unprivileged one keeps it.
    int64_t owner = -1;
    int64_t group = -1;
};

// Who owns a file and who else may change it: the program obeys only
// records that are its own, and a copy or a replacement takes its owner
// from it.
struct Ownership {
    // The owner is the user running the program or the administrators (off
    // Windows root; on Windows the Administrators or the system).
    bool trusted = false;
    // Someone besides the owner and the administrators may write it (group
    // or others off Windows; an access entry of another account on Windows).
    bool othersMayWrite = false;
    // Empty when the file is the program's own; else why not, for a
    // message: "it belongs to user 1001, neither the user running this nor
    // root", "group or others may write it (mode 0666)".
    std::string refusal;
    // Off Windows the permission bits (set-id bits included), the owner and
    // the group; on Windows 0444 for a read-only file, else 0666, and no
    // owner (-1).
    uint32_t mode = 0;
    int64_t user = -1;
    int64_t group = -1;
};

// Ok when the file is the program's own; else Code::NotOwn saying why.
inline Status OwnStatus(const Ownership& ownership) {
    if (ownership.trusted && !ownership.othersMayWrite) return Status();
    return Status::Refused(Code::NotOwn, ownership.refusal);
}

struct Entry {
    std::string name;
    Kind kind = Kind::Other;  // a link is Link
    // False when the system code page cannot write the name: name then
    // holds '?' for each such character, good for a message or a wildcard.
    bool exact = true;
};

enum class OpenMode : uint8_t {
    Read,        // an existing regular file, to read
    Update,      // an existing regular file, to read and change in place
    Settle,      // an existing regular file, to flush and give attributes, its bytes unchanged
    CreateOnly,  // a new file under a free name, never through a link; a taken name is Code::Exists and stays
};

struct OpenOptions {
    OpenMode mode = OpenMode::Read;
    Last last = Last::Follow;  // CreateOnly takes the name itself
    bool ownerOnly = false;    // a new file readable by its owner alone
    // The program's own log and report: no fault point, never recorded by a
    // journal, never taken back by a simulated power cut.
    bool bookkeeping = false;
    // Update: a file with other names (hard links) first becomes a file of
    // its own, a copy that takes this name, so that a change in place shows
    // under no other name. Made beneath the run's layers (durable_layer.h):
    // a journal records the file as it was, never the copy's move.
    bool ownBytes = false;
};

enum class RenameMode : uint8_t {
    NoReplace,  // the new name must be free; the name itself, never followed
    Replace,    // the target is replaced; a link there has the file it names replaced
};

// The names an operation changed, as followed (links replaced): what the
// folder flushes and the power-cut model key on.
struct Touched {
    Path name;       // the name made, replaced or removed
    Path otherName;  // a rename's source; a link's existing name
};

enum class LockMode : uint8_t { Exclusive, Shared };

class File {
public:
    virtual ~File() = default;  // closes without a word when Close was not called
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Reads up to size bytes at offset; fewer only at the end of the file.
    virtual Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
    // Writes all the bytes, or fails.
    virtual Status WriteAt(uint64_t offset, const void* bytes, size_t size) = 0;
    virtual Status Truncate(uint64_t size) = 0;
    // Sends the file's bytes to the disk (fsync, FlushFileBuffers).
    virtual Status Flush() = 0;
    virtual Result<Facts> Look() = 0;
    virtual Status SetAttributes(const Attributes& attributes) = 0;
    // Who owns the open file (asked of it, not of a name that may lead
    // elsewhere by now).
    virtual Result<Ownership> Owner() = 0;
    virtual Status Close() = 0;

    // The path as the caller named it, for messages.
    const Path& path() const { return path_; }

protected:
    explicit File(Path path) : path_(std::move(path)) {}

private:
    Path path_;
};

// A lock the system drops with the process, however it ends.
class Lock {
public:
    virtual ~Lock() = default;
    // Lets the lock go now. An exclusive holder's file goes with it where
    // the system does not remove it itself: the failure to remove it is
    // returned (the lock is let go all the same).
    virtual Status Release() { return Status(); }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Missing (an answer) when no such name is there, or a folder on the
    // way is missing or is a file; any other trouble is a failed Status.
    virtual Result<Facts> Look(const Path& path, Last last) = 0;
    // The path as followed: absolute, links replaced, "." and ".." gone.
    virtual Result<Path> Resolve(const Path& path, Last last) = 0;
    // Who owns what path leads to (a file or a folder).
    virtual Result<Ownership> Owner(const Path& path, Last last) = 0;
    virtual Result<std::vector<Entry>> List(const Path& folder) = 0;
    virtual Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) = 0;
    virtual Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) = 0;
    // A second name for the file existing leads to; Code::Unsupported where
    // the file system has no hard links (or the names lie on two volumes).
    virtual Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) = 0;
    // A name (a file or a link), never what a link names.
    virtual Status Remove(const Path& path, Touched* touched = nullptr) = 0;
    // One folder; Code::Exists when the name is taken. An owner-only one
    // (the program's records) is made for its owner (and on Windows the
    // Administrators and the system) alone.
    virtual Status MakeFolder(const Path& path, bool ownerOnly, Touched* touched = nullptr) = 0;
    virtual Status RemoveFolder(const Path& path, Touched* touched = nullptr) = 0;
    // Sends a folder's names to the disk.
    virtual Status FlushFolder(const Path& folder) = 0;
    virtual Result<std::unique_ptr<Lock>> TakeLock(const Path& path, LockMode mode) = 0;
    virtual Result<uint64_t> FreeSpace(const Path& path) = 0;
};

// A layer over another table: every operation it does not change goes to
// the one below.
class Layer : public FileSystem {
public:
    Result<Facts> Look(const Path& path, Last last) override { return below_->Look(path, last); }
    Result<Path> Resolve(const Path& path, Last last) override { return below_->Resolve(path, last); }
    Result<Ownership> Owner(const Path& path, Last last) override { return below_->Owner(path, last); }
    Result<std::vector<Entry>> List(const Path& folder) override { return below_->List(folder); }
    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override {
        return below_->Open(path, options);
    }
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) override {
        return below_->Rename(from, to, mode, touched);
    }
    Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) override {
        return below_->Link(existing, name, touched);
    }
    Status Remove(const Path& path, Touched* touched = nullptr) override { return below_->Remove(path, touched); }
    Status MakeFolder(const Path& path, bool ownerOnly, Touched* touched = nullptr) override {
        return below_->MakeFolder(path, ownerOnly, touched);
    }
    Status RemoveFolder(const Path& path, Touched* touched = nullptr) override {
        return below_->RemoveFolder(path, touched);
    }
    Status FlushFolder(const Path& folder) override { return below_->FlushFolder(folder); }
    Result<std::unique_ptr<Lock>> TakeLock(const Path& path, LockMode mode) override {
        return below_->TakeLock(path, mode);
    }
    Result<uint64_t> FreeSpace(const Path& path) override { return below_->FreeSpace(path); }

    FileSystem* below() const { return below_; }
    void SetBelow(FileSystem* below) { below_ = below; }

protected:
    FileSystem* below_ = nullptr;
};

// An open file of a layer over the file of the layer below.
class FileLayer : public File {
public:
    explicit FileLayer(std::unique_ptr<File> inner) : File(inner->path()), inner_(std::move(inner)) {}

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        return inner_->ReadAt(offset, buffer, size);
    }
    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        return inner_->WriteAt(offset, bytes, size);
    }
    Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
    Status Flush() override { return inner_->Flush(); }
    Result<Facts> Look() override { return inner_->Look(); }
    Status SetAttributes(const Attributes& attributes) override { return inner_->SetAttributes(attributes); }
    Result<Ownership> Owner() override { return inner_->Owner(); }
    Status Close() override { return inner_->Close(); }

protected:
    std::unique_ptr<File> inner_;
};

}  // namespace zel::toolkit
