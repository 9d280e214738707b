// Off Windows: the table of file operations. Every operation on a path
// walks it first (walk_posix.cpp) and then works on the open folder that
// holds the last name (the *at calls), never on the path's text again.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "path_text.h"
#include "placed_file_system.h"
#include "walk_posix.h"

namespace zel::toolkit {
namespace {

class PosixFileSystem;

Status Errno() { return Status::FromErrno(errno); }

// The system's reason for the last call, with the descriptor it had opened
// closed.
Status ClosedWithErrno(int fd) {
    const int saved = errno;
    ::close(fd);
    return Status::FromErrno(saved);
}

class PosixFile final : public File {
public:
    PosixFile(Path path, int descriptor) : File(std::move(path)), descriptor_(descriptor) {}
    ~PosixFile() override {
        if (descriptor_ >= 0) ::close(descriptor_);
    }

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        size_t done = 0;
        while (done < size) {
            const ssize_t count = ::pread(descriptor_, static_cast<char*>(buffer) + done, size - done,
                                          static_cast<off_t>(offset + done));
            if (count < 0) {
                if (errno == EINTR) continue;
                return Errno();
            }
            if (count == 0) break;
            done += static_cast<size_t>(count);
        }
        return done;
    }

    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        size_t done = 0;
        while (done < size) {
            const ssize_t count = ::pwrite(descriptor_, static_cast<const char*>(bytes) + done, size - done,
                                           static_cast<off_t>(offset + done));
            if (count < 0) {
                if (errno == EINTR) continue;
                return Errno();
            }
            done += static_cast<size_t>(count);
        }
        return Status();
    }

    Status Truncate(uint64_t size) override {
        return ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0 ? Status() : Errno();
    }

    Status Flush() override { return ::fsync(descriptor_) == 0 ? Status() : Errno(); }

    Result<Facts> Look() override {
        struct stat status;
        if (::fstat(descriptor_, &status) != 0) return Errno();
        return FactsOfStat(status);
    }

    // The owner first: giving a file away clears its set-id bits, and none
    // are set again. Only a privileged process may give a file away; an
    // unprivileged one keeps it.
    Status SetAttributes(const Attributes& attributes) override {
        if (attributes.owner >= 0 && ::geteuid() == 0) {
            struct stat status;
            if (::fstat(descriptor_, &status) != 0) return Errno();
            const uid_t user = static_cast<uid_t>(attributes.owner);
            const gid_t group = attributes.group >= 0 ? static_cast<gid_t>(attributes.group) : status.st_gid;
            if ((user != status.st_uid || group != status.st_gid) && ::fchown(descriptor_, user, group) != 0) {
                return Errno();
            }
        }
        if (attributes.mode >= 0 && ::fchmod(descriptor_, static_cast<mode_t>(attributes.mode & 0777)) != 0) {
            return Errno();
        }
        return Status();
    }

    Result<Ownership> Owner() override {
        struct stat status;
        if (::fstat(descriptor_, &status) != 0) return Errno();
        return OwnershipOfStat(status);
    }

    Status Close() override {
        const int descriptor = std::exchange(descriptor_, -1);
        return descriptor < 0 || ::close(descriptor) == 0 ? Status() : Errno();
    }


private:
    int descriptor_;
};

// A lock the system drops with the process: flock on an open file.
class PosixLock final : public Lock {
public:
    PosixLock(PosixFileSystem* files, Path path, int descriptor, bool exclusive)
        : files_(files), path_(std::move(path)), descriptor_(descriptor), exclusive_(exclusive) {}
    ~PosixLock() override;
    Status Release() override;

private:
    PosixFileSystem* files_;
    Path path_;
    int descriptor_;
    bool exclusive_;
    bool released_ = false;
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Some file systems cannot flush a folder (EINVAL): their names are written
// through already.
Status FlushOpenFolder(int folder) { return ::fsync(folder) == 0 || errno == EINVAL ? Status() : Errno(); }

}  // namespace

void PosixPrimitives::Found(Place&) {}

Result<Facts> PosixPrimitives::FactsAt(const Place& place) { return FactsOfStat(place.found); }

Result<Ownership> PosixPrimitives::OwnerAt(const Place& place) { return OwnershipOfStat(place.found); }

Result<std::vector<Entry>> PosixPrimitives::ListAt(Place& place) {
    const int fd = ::openat(place.folder, place.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Status::FromErrno(errno == ELOOP ? ENOTDIR : errno);
    DIR* list = ::fdopendir(fd);
    if (list == nullptr) {
        const int saved = errno;
        ::close(fd);
        return Status::FromErrno(saved);
    }
    std::vector<Entry> entries;
    errno = 0;
    while (const struct dirent* found = ::readdir(list)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        Entry entry;
        entry.name = name;
        switch (found->d_type) {
            case DT_REG: entry.kind = Kind::Regular; break;
            case DT_DIR: entry.kind = Kind::Folder; break;
            case DT_LNK: entry.kind = Kind::Link; break;
            case DT_UNKNOWN: {
                // An entry whose kind cannot be told fails the listing: a
                // guess could take a link or a folder for a file.
                struct stat status;
                if (::fstatat(::dirfd(list), found->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                    const int failed = errno;
                    ::closedir(list);
                    return Status::FromErrno(failed);
                }
                entry.kind = KindOfMode(status.st_mode);
                break;
            }
            default: entry.kind = Kind::Other; break;
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    const int saved = errno;
    ::closedir(list);
    if (saved != 0) return Status::FromErrno(saved);
    return entries;
}

Result<std::unique_ptr<File>> PosixPrimitives::OpenAt(Place& place, const Path& path, const OpenOptions& options) {
    int fd = -1;
    if (options.mode == OpenMode::CreateOnly) {
        fd = ::openat(place.folder, place.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      options.ownerOnly ? 0600 : 0666);
        if (fd < 0) return Errno();
        return std::unique_ptr<File>(std::make_unique<PosixFile>(path, fd));
    }
    // Never through a link (the walk followed it already), and never
    // blocking on a pipe or a device planted under a file's name since.
    const int access = options.mode == OpenMode::Update ? O_RDWR : O_RDONLY;
    fd = ::openat(place.folder, place.name.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) return Status::Refused(Code::UnsafeLink, "it is a link");
        return Errno();
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) return ClosedWithErrno(fd);
    if (!S_ISREG(status.st_mode)) {
        const bool folder = S_ISDIR(status.st_mode);
        ::close(fd);
        return folder ? Status::Refused(Code::IsFolder, "it is a directory")
                      : Status::Refused(Code::NotRegular, "it is not a regular file");
    }
    // A file left non-blocking would read short where a read must be whole.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return ClosedWithErrno(fd);
    return std::unique_ptr<File>(new PosixFile(path, fd));
}

// Replace: one step. NoReplace: one step that never replaces a file, so
// that a stop leaves the old name or the new one, never both and never
// neither; where renameat2 cannot refuse a taken name, a hard link and the
// removal of the old name; where there are no hard links, a test and a
// rename.
Status PosixPrimitives::RenameAt(const Place& from, const Place& to, RenameMode mode) {
    if (mode == RenameMode::Replace) {
        return ::renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0 ? Status() : Errno();
    }
#ifdef RENAME_NOREPLACE
    if (::renameat2(from.folder, from.name.c_str(), to.folder, to.name.c_str(), RENAME_NOREPLACE) == 0) {
        return Status();
    }
    if (errno != EINVAL && errno != ENOSYS) return Errno();
#endif
    if (::linkat(from.folder, from.name.c_str(), to.folder, to.name.c_str(), 0) == 0) {
        if (::unlinkat(from.folder, from.name.c_str(), 0) == 0) return Status();
        const int saved = errno;
        ::unlinkat(to.folder, to.name.c_str(), 0);
        return Status::FromErrno(saved);
    }
    const int saved = errno;
    if (saved != EPERM && saved != EOPNOTSUPP && saved != EXDEV && saved != EMLINK) return Status::FromErrno(saved);
    struct stat status;
    if (::fstatat(to.folder, to.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return Status::FromErrno(EEXIST);
    if (errno != ENOENT) return Errno();
    return ::renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0 ? Status() : Errno();
}

Status PosixPrimitives::LinkAt(const Place& existing, const Place& name) {
    if (::linkat(existing.folder, existing.name.c_str(), name.folder, name.name.c_str(), 0) == 0) return Status();
    const int saved = errno;
    // No hard links on this file system, another volume, or a file with as
    // many names as it may have: the caller copies instead.
    if (saved == EXDEV || saved == EPERM || saved == EOPNOTSUPP || saved == EMLINK || saved == ENOSYS) {
        return Status(Code::Unsupported, saved, std::strerror(saved));
    }
    return Status::FromErrno(saved);
}

Status PosixPrimitives::RemoveAt(const Place& place) {
    return ::unlinkat(place.folder, place.name.c_str(), 0) == 0 ? Status() : Errno();
}

Status PosixPrimitives::MakeFolderAt(const Place& place, bool ownerOnly) {
    return ::mkdirat(place.folder, place.name.c_str(), ownerOnly ? 0700 : 0777) == 0 ? Status() : Errno();
}

Status PosixPrimitives::RemoveFolderAt(const Place& place) {
    return ::unlinkat(place.folder, place.name.c_str(), AT_REMOVEDIR) == 0 ? Status() : Errno();
}

Status PosixPrimitives::FlushFolderAt(const Place& place) {
    const int fd = ::openat(place.folder, place.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Errno();
    Status flushed = FlushOpenFolder(fd);
    ::close(fd);
    return flushed;
}

namespace {

class PosixFileSystem final : public PlacedFileSystem<PosixPrimitives> {
public:
    ~PosixFileSystem() override { ClearRoots(); }

    Result<std::unique_ptr<Lock>> TakeLock(const Path& path, LockMode mode) override {
        const bool exclusive = mode == LockMode::Exclusive;
        for (int attempt = 0; attempt < 64; ++attempt) {
            PosixPlace place;
            if (Status found = Find(path, Last::Itself, place); !found.ok()) return found;
            if (place.folderMissing) return place.MissingStatus();
            // Made here (not found): a lock that is not taken then goes
            // with its file, or the failed run would leave it behind.
            constexpr int kOpen = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
            const int flags = exclusive ? O_RDWR | O_CREAT | O_EXCL | kOpen : O_RDONLY | kOpen;
            int fd = ::openat(place.folder, place.name.c_str(), flags, 0600);
            const bool made = exclusive && fd >= 0;
            if (exclusive && fd < 0 && errno == EEXIST) fd = ::openat(place.folder, place.name.c_str(), O_RDWR | kOpen);
            const auto fail = [&](Status status) {
                struct stat named;
                struct stat held;
                if (made && ::fstat(fd, &held) == 0 &&
                    ::fstatat(place.folder, place.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                    SameFile(held, named)) {
                    ::unlinkat(place.folder, place.name.c_str(), 0);
                }
                ::close(fd);
                return status;
            };
            if (fd < 0) {
                const int saved = errno;
                if (!exclusive && (saved == ENOENT || saved == ELOOP)) return Status::FromErrno(ENOENT);
                // A link under the lock's name is no lock anyone holds: it
                // goes as a name, and the lock is made where it was.
                if (saved == ELOOP && ::unlinkat(place.folder, place.name.c_str(), 0) == 0) continue;
                return Status::FromErrno(saved);
            }
            struct stat opened;
            if (::fstat(fd, &opened) != 0) return fail(Errno());
            if (!S_ISREG(opened.st_mode)) return fail(Status::Refused(Code::NotRegular, "it is not a regular file"));
            // A lock file someone else could have made or could change is
            // no lock of the program's: it is never taken for one.
            if (Status own = OwnStatus(OwnershipOfStat(opened)); !own.ok()) return fail(own);
            if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
                const int saved = errno;
                if (saved == EWOULDBLOCK) return fail(Status(Code::Busy, saved, "it is locked by another process"));
                return fail(Status::FromErrno(saved));
            }
            // The holder before us may have removed the file between our
            // open and our lock: a lock on a file no longer under that name
            // keeps nobody out. Try again with the file the name gives now.
            struct stat named;
            const bool there = ::fstatat(place.folder, place.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
            if (!there && errno != ENOENT) return fail(Errno());
            if (there && SameFile(opened, named)) {
                return std::unique_ptr<Lock>(new PosixLock(this, path, fd, exclusive));
            }
            ::close(fd);
            if (!exclusive && !there) return Status::FromErrno(ENOENT);
        }
        return Status::Refused(Code::Busy, "its name keeps changing");
    }

    Result<uint64_t> FreeSpace(const Path& path) override {
        std::error_code error;
        const std::filesystem::space_info space = std::filesystem::space(PathFromText(path), error);
        if (error) return Status::FromErrno(error.value());
        return static_cast<uint64_t>(space.available);
    }

    // Removed while still locked, so that no one takes a lock on a file that
    // is about to go; only the file this lock holds.
    // The file goes only while it is the one this lock holds: one that
    // took its name since is another's. A lock file a power cut brings
    // back is taken by the next lock, so its folder is not flushed for it.
    Status Unlock(const Path& path, int descriptor, bool exclusive) {
        Status removed;
        if (exclusive) {
            PosixPlace place;
            struct stat held;
            removed = Find(path, Last::Itself, place);
            if (removed.ok() && !place.folderMissing && place.kind == Kind::Regular) {
                if (::fstat(descriptor, &held) != 0) {
                    removed = Errno();
                } else if (SameFile(held, place.found)) {
                    if (::unlinkat(place.folder, place.name.c_str(), 0) != 0) removed = Errno();
                }
            }
        }
        ::close(descriptor);
        return removed;
    }

protected:
    Result<intptr_t> OpenRoot(const Path& directory) override {
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return Errno();
        return static_cast<intptr_t>(fd);
    }

    void CloseRoot(intptr_t handle) override { ::close(static_cast<int>(handle)); }

};

PosixLock::~PosixLock() {
    if (!released_) (void)files_->Unlock(path_, descriptor_, exclusive_);
}

Status PosixLock::Release() {
    if (released_) return Status();
    released_ = true;
    return files_->Unlock(path_, descriptor_, exclusive_);
}

}  // namespace

std::unique_ptr<PlatformFileSystem> MakePlatformFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace zel::toolkit
