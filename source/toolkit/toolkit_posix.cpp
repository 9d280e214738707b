// POSIX side of the toolkit's platform calls. Every call on a path finds its
// place first (place_posix.cpp) and then works on the open folder that
// holds the last name, never on the path's text again.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "flush_batch.h"
#include "made_files.h"
#include "path_lexical.h"
#include "path_text.h"
#include "place_posix.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

FileFacts FactsOf(const struct stat& status) {
    FileFacts facts;
    if (S_ISREG(status.st_mode)) {
        facts.kind = FileKind::Regular;
    } else if (S_ISDIR(status.st_mode)) {
        facts.kind = FileKind::Directory;
    } else if (S_ISLNK(status.st_mode)) {
        facts.kind = FileKind::Link;
    } else {
        facts.kind = FileKind::Other;
    }
    facts.size = static_cast<uint64_t>(status.st_size);
    facts.links = static_cast<uint64_t>(status.st_nlink);
    facts.volume = static_cast<uint64_t>(status.st_dev);
    facts.index = static_cast<uint64_t>(status.st_ino);
    return facts;
}

bool Fails(Problem& problem, int errnoValue) {
    problem = SystemProblem(errnoValue);
    return false;
}

bool Missing(Problem& problem) { return Fails(problem, ENOENT); }

bool Exists(const Place& place, struct stat& status) {
    return place.folder >= 0 && ::fstatat(place.folder, place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// Some file systems cannot flush a folder (EINVAL): their entries are
// written through already.
bool FlushFolder(int folder, Problem& problem) {
    if (::fsync(folder) == 0 || errno == EINVAL) return true;
    return Fails(problem, errno);
}

// After a name in the folder changed: flushed now, or once with the others
// of its batch (flush_batch.h).
bool FlushChangedFolder(const Place& place, Problem& problem) {
    if (DeferFolderFlush(place.folderText)) return true;
    if (!FlushFolder(place.folder, problem)) return false;
    FolderFlushMade(place.folderText);
    return true;
}

// Opens the regular file at place, never through a link (the place was
// followed already) and never blocking on a pipe or a device planted under
// a file's name.
int OpenRegular(const Place& place, int flags, Problem& problem) {
    if (place.folder < 0) {
        Missing(problem);
        return -1;
    }
    const int fd = ::openat(place.folder, place.name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int saved = errno;
        problem = saved == ELOOP ? Problem{Z_ERROR_UNSAFE_LINK, "it is a link"} : SystemProblem(saved);
        return -1;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        problem = S_ISDIR(status.st_mode) ? Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"}
                                          : Problem{Z_ERROR_BAD_ARGUMENT, "it is not a regular file"};
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool FlushPlace(const Place& place, Problem& problem) {
    const int fd = OpenRegular(place, O_RDONLY, problem);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    return flushed || Fails(problem, saved);
}

Ownership OwnershipOf(const struct stat& status) {
    Ownership ownership;
    ownership.trusted = status.st_uid == ::geteuid() || status.st_uid == 0;
    ownership.othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!ownership.trusted) {
        ownership.refusal =
            "it belongs to user " + std::to_string(status.st_uid) + ", neither the user running this nor root";
    } else if (ownership.othersMayWrite) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        ownership.refusal = std::string("group or others may write it (mode ") + mode + ")";
    }
    ownership.mode = static_cast<uint32_t>(status.st_mode & 07777);
    ownership.user = static_cast<int64_t>(status.st_uid);
    ownership.group = static_cast<int64_t>(status.st_gid);
    return ownership;
}

// Closes a descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool SameIdentity(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Sets the attributes on the open file itself, so that nothing swapped in
// under its name can take them. The owner first: giving a file away clears
// its set-id bits, and none are set again. Only a privileged process may
// give a file away; an unprivileged one keeps it.
bool ApplyAttributes(int fd, const struct stat& status, const FileAttributes& attributes, Problem& problem) {
    if (attributes.user >= 0 && ::geteuid() == 0) {
        const uid_t user = static_cast<uid_t>(attributes.user);
        const gid_t group = attributes.group >= 0 ? static_cast<gid_t>(attributes.group) : status.st_gid;
        if ((user != status.st_uid || group != status.st_gid) && ::fchown(fd, user, group) != 0) {
            return Fails(problem, errno);
        }
    }
    return ::fchmod(fd, static_cast<mode_t>(attributes.mode & 0777)) == 0 || Fails(problem, errno);
}

// The attributes a file keeps when it moves as it is.
FileAttributes AttributesOf(const struct stat& status) {
    FileAttributes attributes;
    attributes.mode = static_cast<uint32_t>(status.st_mode & 0777);
    attributes.user = static_cast<int64_t>(status.st_uid);
    attributes.group = static_cast<int64_t>(status.st_gid);
    return attributes;
}

bool CopyBytes(int from, int to, Problem& problem) {
    std::vector<char> block(1 << 16);
    for (;;) {
        const ssize_t count = ::read(from, block.data(), block.size());
        if (count < 0) return Fails(problem, errno);
        if (count == 0) return true;
        for (ssize_t done = 0; done < count;) {
            const ssize_t written = ::write(to, block.data() + done, static_cast<size_t>(count - done));
            if (written < 0) return Fails(problem, errno);
            done += written;
        }
    }
}

// Copies the open source into target's folder when the two lie on
// different file systems (a link into another one), so that the final move
// is one step; the copy takes the attributes on its own descriptor.
bool MoveAcross(int in, const FileAttributes& attributes, const Place& source, const Place& target,
                Problem& problem) {
    const std::string staged = target.name + ".zel-move";
    ::unlinkat(target.folder, staged.c_str(), 0);
    if (::lseek(in, 0, SEEK_SET) != 0) return Fails(problem, errno);
    const Descriptor out(
        ::openat(target.folder, staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.get() < 0) return Fails(problem, errno);
    struct stat made;
    bool moved = ::fstat(out.get(), &made) == 0 || Fails(problem, errno);
    moved = moved && CopyBytes(in, out.get(), problem) && ApplyAttributes(out.get(), made, attributes, problem) &&
            (::fsync(out.get()) == 0 || Fails(problem, errno));
    moved = moved &&
            (::renameat(target.folder, staged.c_str(), target.folder, target.name.c_str()) == 0 || Fails(problem, errno));
    struct stat named;
    if (moved && (::fstatat(target.folder, target.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
                  !SameIdentity(named, made))) {
        problem = Problem{Z_ERROR_NOT_OWN, "another file took its name while it was moved there"};
        return false;
    }
    if (!moved) {
        ::unlinkat(target.folder, staged.c_str(), 0);
        return false;
    }
    ::unlinkat(source.folder, source.name.c_str(), 0);
    return FlushChangedFolder(target, problem) && FlushChangedFolder(source, problem);
}

// A rename that cannot replace, for systems or file systems without
// RENAME_NOREPLACE: a hard link and the removal of the old name, or, where
// there are no hard links, a test and a rename.
bool RenameWithoutReplacing(const Place& from, const Place& to, Problem& problem) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(from.folder, from.name.c_str(), to.folder, to.name.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return Fails(problem, errno);
#endif
    if (::linkat(from.folder, from.name.c_str(), to.folder, to.name.c_str(), 0) == 0) {
        if (::unlinkat(from.folder, from.name.c_str(), 0) == 0) return true;
        const int saved = errno;
        ::unlinkat(to.folder, to.name.c_str(), 0);
        return Fails(problem, saved);
    }
    const int saved = errno;
    if (saved != EPERM && saved != EOPNOTSUPP && saved != EXDEV && saved != EMLINK) return Fails(problem, saved);
    struct stat status;
    if (Exists(to, status)) return Fails(problem, EEXIST);
    return ::renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0 || Fails(problem, errno);
}

bool SameFolder(const Place& a, const Place& b) {
    struct stat first;
    struct stat second;
    return ::fstat(a.folder, &first) == 0 && ::fstat(b.folder, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace

// A file name here is bytes, the same bytes std::filesystem keeps.
std::filesystem::path PathFromText(const std::string& text) { return std::filesystem::path(text); }

bool TextFromPath(const std::filesystem::path& path, std::string& text) {
    text = path.native();
    return true;
}

std::string DisplayText(const std::filesystem::path& path) { return path.native(); }

bool IsLeadByte(char) { return false; }

unsigned SystemCodePage() { return 0; }

std::string PathTextProblem(const std::string&) { return ""; }

bool PlatformProgramPath(std::filesystem::path& path) {
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size() - 1) return false;
    path = std::string(buffer.data(), static_cast<size_t>(length));
    return true;
}

bool PlatformOpenRoot(const char* directory, intptr_t* handle, FileFacts& facts, Problem& problem) {
    const int fd = ::open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fails(problem, errno);
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        const int saved = errno;
        ::close(fd);
        return Fails(problem, saved);
    }
    facts = FactsOf(status);
    *handle = fd;
    return true;
}

void PlatformCloseRoot(intptr_t handle) { ::close(static_cast<int>(handle)); }

bool PlatformFacts(const char* path, LastName last, FileFacts& facts, Problem& problem) {
    Place place;
    if (!FindPlace(path, last, place, problem)) return false;
    facts = FileFacts{};
    struct stat status;
    if (Exists(place, status)) {
        facts = FactsOf(status);
    } else if (place.folder >= 0 && errno != ENOENT) {
        return Fails(problem, errno);
    }
    return true;
}

std::string PlatformResolvedPath(const char* path) {
    Place place;
    Problem problem;
    if (FindPlace(path, LastName::Follow, place, problem)) return place.text;
    std::error_code error;
    return std::filesystem::absolute(std::filesystem::path(path), error).lexically_normal().string();
}

bool PlatformListDirectory(const char* path, std::vector<DirectoryEntry>& entries, Problem& problem) {
    entries.clear();
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    if (place.folder < 0) return Missing(problem);
    const int fd = ::openat(place.folder, place.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Fails(problem, errno == ELOOP ? ENOTDIR : errno);
    DIR* list = ::fdopendir(fd);
    if (list == nullptr) {
        const int saved = errno;
        ::close(fd);
        return Fails(problem, saved);
    }
    errno = 0;
    while (const struct dirent* entry = ::readdir(list)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        DirectoryEntry found;
        found.name = name;
        switch (entry->d_type) {
            case DT_REG: found.kind = FileKind::Regular; break;
            case DT_DIR: found.kind = FileKind::Directory; break;
            case DT_LNK: found.kind = FileKind::Link; break;
            case DT_UNKNOWN: {
                struct stat status;
                if (::fstatat(::dirfd(list), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
                    found.kind = FactsOf(status).kind;
                }
                break;
            }
            default: found.kind = FileKind::Other; break;
        }
        entries.push_back(found);
        errno = 0;
    }
    const int saved = errno;
    ::closedir(list);
    return saved == 0 || Fails(problem, saved);
}

std::FILE* PlatformOpenStream(const char* path, StreamMode mode, LastName last, Problem& problem) {
    Place place;
    const bool creates =
        mode == StreamMode::CreateNew || mode == StreamMode::CreatePrivate || mode == StreamMode::CreateOnly;
    if (!FindPlace(path, creates ? LastName::Itself : last, place, problem)) return nullptr;
    int fd = -1;
    const char* streamMode = "rb";
    switch (mode) {
        case StreamMode::Read: fd = OpenRegular(place, O_RDONLY, problem); break;
        case StreamMode::Update:
            fd = OpenRegular(place, O_RDWR, problem);
            streamMode = "r+b";
            break;
        case StreamMode::CreateNew:
        case StreamMode::CreatePrivate:
        case StreamMode::CreateOnly: {
            if (place.folder < 0) {
                Missing(problem);
                return nullptr;
            }
            // Unless the name must be free (CreateOnly), whatever holds it (a
            // file left by a stopped run, a link someone planted) goes as a
            // name; the new file is made where no link can lead.
            struct stat status;
            if (mode != StreamMode::CreateOnly && Exists(place, status)) {
                if (S_ISDIR(status.st_mode)) {
                    problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"};
                    return nullptr;
                }
                if (::unlinkat(place.folder, place.name.c_str(), 0) != 0 && errno != ENOENT) {
                    Fails(problem, errno);
                    return nullptr;
                }
            }
            fd = ::openat(place.folder, place.name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          mode == StreamMode::CreateNew ? 0666 : 0600);
            struct stat made;
            if (fd < 0) {
                Fails(problem, errno);
            } else if (::fstat(fd, &made) != 0) {
                Fails(problem, errno);
                ::close(fd);
                fd = -1;
            } else {
                NoteMadeFile(FactsOf(made));
            }
            streamMode = "w+b";
            break;
        }
    }
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, streamMode);
    if (stream == nullptr) {
        Fails(problem, errno);
        ::close(fd);
    }
    return stream;
}

bool PlatformReplaceFile(const char* source, const char* target, ReplaceSource from,
                         const FileAttributes* attributes, Problem& problem) {
    Place work;
    Place to;
    if (!FindPlace(source, LastName::Itself, work, problem) || !FindPlace(target, LastName::Follow, to, problem)) {
        return false;
    }
    if (work.folder < 0 || to.folder < 0) return Missing(problem);
    // From here on the file is the one open here, whatever its name holds.
    const Descriptor file(OpenRegular(work, O_RDONLY, problem));
    if (file.get() < 0) return false;
    struct stat opened;
    if (::fstat(file.get(), &opened) != 0) return Fails(problem, errno);
    // Made here and still the process's own: nothing another account put
    // under the work name, nor a file of its own that took the number of
    // one made here and since gone. (The file journal may have given it a
    // second name in its own folder.)
    if (from == ReplaceSource::MadeHere && (!WasMadeHere(FactsOf(opened)) || opened.st_uid != ::geteuid())) {
        problem = Problem{Z_ERROR_NOT_OWN, "it is no longer the file this program wrote there"};
        return false;
    }
    if (attributes != nullptr && !ApplyAttributes(file.get(), opened, *attributes, problem)) return false;
    if (::fsync(file.get()) != 0) return Fails(problem, errno);
    if (::renameat(work.folder, work.name.c_str(), to.folder, to.name.c_str()) != 0) {
        if (errno != EXDEV) return Fails(problem, errno);
        const FileAttributes kept = attributes != nullptr ? *attributes : AttributesOf(opened);
        if (!MoveAcross(file.get(), kept, work, to, problem)) return false;
        ForgetMadeFile(FactsOf(opened));
        return true;
    }
    // Whatever moved is at the target now: it must be the file opened here.
    struct stat named;
    if (::fstatat(to.folder, to.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameIdentity(named, opened)) {
        problem = Problem{Z_ERROR_NOT_OWN, "another file took the work file's name before it was moved"};
        return false;
    }
    ForgetMadeFile(FactsOf(opened));
    if (!FlushChangedFolder(to, problem)) return false;
    return SameFolder(work, to) || FlushChangedFolder(work, problem);
}

bool PlatformRenameFile(const char* oldPath, const char* newPath, Problem& problem) {
    Place from;
    Place to;
    if (!FindPlace(oldPath, LastName::Itself, from, problem) || !FindPlace(newPath, LastName::Itself, to, problem)) {
        return false;
    }
    if (from.folder < 0 || to.folder < 0) return Missing(problem);
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    struct stat status;
    if (Exists(from, status) && S_ISREG(status.st_mode) && !FlushPlace(from, problem)) return false;
    // One step, which never replaces a file: a stop can leave the old name
    // or the new one, never both and never neither.
    if (!RenameWithoutReplacing(from, to, problem)) return false;
    if (!FlushChangedFolder(to, problem)) return false;
    return SameFolder(from, to) || FlushChangedFolder(from, problem);
}

bool PlatformDeleteFile(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    if (place.folder < 0) return Missing(problem);
    if (::unlinkat(place.folder, place.name.c_str(), 0) != 0) return Fails(problem, errno);
    return FlushChangedFolder(place, problem);
}

LinkResult PlatformLinkFile(const char* existing, const char* newPath, Problem& problem) {
    Place from;
    Place to;
    if (!FindPlace(existing, LastName::Follow, from, problem) || !FindPlace(newPath, LastName::Itself, to, problem)) {
        return LinkResult::Failed;
    }
    if (from.folder < 0 || to.folder < 0) {
        Missing(problem);
        return LinkResult::Failed;
    }
    if (::linkat(from.folder, from.name.c_str(), to.folder, to.name.c_str(), 0) == 0) return LinkResult::Linked;
    const int saved = errno;
    Fails(problem, saved);
    // No hard links on this file system, another volume, or a file with as
    // many names as it may have.
    if (saved == EXDEV || saved == EPERM || saved == EOPNOTSUPP || saved == EMLINK || saved == ENOSYS) {
        return LinkResult::Unsupported;
    }
    return LinkResult::Failed;
}

bool PlatformMakeDirectories(const char* path, FolderAccess access, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    if (place.folder < 0) {
        // A folder above is missing: it is made first, then this one.
        LexicalPath lexical;
        if (!MakeLexical(path, lexical) || lexical.names.empty()) return Missing(problem);
        const std::string parent = lexical.Prefix(lexical.names.size() - 1);
        if (!PlatformMakeDirectories(parent.c_str(), FolderAccess::Shared, problem)) return false;
        if (!FindPlace(path, LastName::Follow, place, problem)) return false;
        if (place.folder < 0) return Missing(problem);
    }
    const bool own = access == FolderAccess::Private;
    struct stat status;
    if (!Exists(place, status)) {
        if (::mkdirat(place.folder, place.name.c_str(), own ? 0700 : 0777) != 0 && errno != EEXIST) {
            return Fails(problem, errno);
        }
        if (!FlushFolder(place.folder, problem)) return false;
        if (!Exists(place, status)) return Fails(problem, errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        problem = Problem{Z_ERROR_EXISTS, "a file of that name exists"};
        return false;
    }
    return !own || OwnFile(OwnershipOf(status), problem);
}

bool PlatformRemoveDirectory(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    if (place.folder < 0) return Missing(problem);
    if (::unlinkat(place.folder, place.name.c_str(), AT_REMOVEDIR) != 0) return Fails(problem, errno);
    return FlushChangedFolder(place, problem);
}

bool PlatformOwnership(const char* path, LastName last, Ownership& ownership, Problem& problem) {
    Place place;
    if (!FindPlace(path, last, place, problem)) return false;
    struct stat status;
    if (!Exists(place, status)) return Missing(problem);
    ownership = OwnershipOf(status);
    return true;
}

bool PlatformStreamOwnership(std::FILE* stream, Ownership& ownership, Problem& problem) {
    struct stat status;
    if (::fstat(fileno(stream), &status) != 0) return Fails(problem, errno);
    ownership = OwnershipOf(status);
    return true;
}

bool PlatformFlushStream(std::FILE* stream) { return std::fflush(stream) == 0 && ::fsync(fileno(stream)) == 0; }

bool PlatformFlushFile(const char* path, Problem& problem) {
    Place place;
    return FindPlace(path, LastName::Follow, place, problem) && FlushPlace(place, problem);
}

bool PlatformFlushDirectory(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    if (place.folder < 0) return Missing(problem);
    const int fd = ::openat(place.folder, place.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Fails(problem, errno);
    const bool flushed = FlushFolder(fd, problem);
    ::close(fd);
    return flushed;
}

bool PlatformFlushDirectoryOf(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    if (place.folder < 0) return Missing(problem);
    return FlushFolder(place.folder, problem);
}

bool PlatformTruncateStream(std::FILE* stream, int64_t size, Problem& problem) {
    if (::ftruncate(fileno(stream), static_cast<off_t>(size)) == 0) return true;
    return Fails(problem, errno);
}

LockResult PlatformLockFile(const char* path, bool exclusive, intptr_t* handle, Problem& problem) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        Place place;
        if (!FindPlace(path, LastName::Itself, place, problem)) return LockResult::Failed;
        if (place.folder < 0) {
            if (!exclusive) return LockResult::Missing;
            Missing(problem);
            return LockResult::Failed;
        }
        const int flags = exclusive ? O_RDWR | O_CREAT : O_RDONLY;
        const int fd = ::openat(place.folder, place.name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int saved = errno;
            if (!exclusive && (saved == ENOENT || saved == ELOOP)) return LockResult::Missing;
            // A link under the lock's name is no lock anyone holds: it goes
            // as a name, and the lock is made where it was.
            if (saved == ELOOP && ::unlinkat(place.folder, place.name.c_str(), 0) == 0) continue;
            Fails(problem, saved);
            return LockResult::Failed;
        }
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is not a regular file"};
            return LockResult::Failed;
        }
        // A lock file someone else could have made or could change is no
        // lock of the program's: it is never taken for one.
        if (!OwnFile(OwnershipOf(opened), problem)) {
            ::close(fd);
            return LockResult::Failed;
        }
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int saved = errno;
            ::close(fd);
            if (saved == EWOULDBLOCK) return LockResult::Busy;
            Fails(problem, saved);
            return LockResult::Failed;
        }
        // The holder before us may have removed the file between our open and
        // our lock: a lock on a file no longer under that name keeps nobody
        // out. Try again with the file the name gives now.
        struct stat named;
        if (Exists(place, named) && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            *handle = fd;
            return LockResult::Held;
        }
        ::close(fd);
        if (!exclusive && !Exists(place, named)) return LockResult::Missing;
    }
    problem = Problem{Z_ERROR_LOCKED, "its name keeps changing"};
    return LockResult::Failed;
}

void PlatformUnlockFile(const char* path, bool exclusive, intptr_t handle) {
    // Removed while still locked, so that no one takes a lock on a file that
    // is about to go; only the file this lock holds.
    if (exclusive) {
        Place place;
        Problem problem;
        struct stat held;
        struct stat named;
        if (FindPlace(path, LastName::Itself, place, problem) && Exists(place, named) &&
            ::fstat(static_cast<int>(handle), &held) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino && ::unlinkat(place.folder, place.name.c_str(), 0) == 0) {
            // A finished run leaves no lock a power cut could bring back.
            FlushFolder(place.folder, problem);
        }
    }
    ::close(static_cast<int>(handle));
}

void PlatformEndAbruptly() {
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
}

uint64_t PlatformPhysicalMemoryMegabytes() {
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / (1024u * 1024u);
}

int PlatformSeek(std::FILE* stream, int64_t offset, int origin) {
    return fseeko(stream, static_cast<off_t>(offset), origin);
}

int64_t PlatformTell(std::FILE* stream) { return static_cast<int64_t>(ftello(stream)); }

// A terminal hands over the bytes typed, in the encoding of the file names.
PlatformConsoleInput::PlatformConsoleInput() = default;
PlatformConsoleInput::~PlatformConsoleInput() = default;

}  // namespace zel::toolkit
