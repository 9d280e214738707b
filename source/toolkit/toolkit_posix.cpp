// POSIX side of the toolkit's platform calls.
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

#include "path_text.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool FlushPath(const char* path, std::string& reason) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const bool flushed = ::fsync(fd) == 0;
    if (!flushed) reason = std::strerror(errno);
    ::close(fd);
    return flushed;
}

// A directory entry made or changed by a rename or an unlink is on the disk
// only once the directory itself is flushed.
bool FlushDirectory(const std::string& directory, std::string& reason) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    // Some file systems cannot flush a directory (EINVAL): their entries are
    // written through already.
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    if (!flushed) reason = std::strerror(errno);
    ::close(fd);
    return flushed;
}

// Gives source the permission bits and, where the process may, the owner of
// the file it replaces, so that a replacement drops nothing the
// administrator set.
void TakeAttributes(const char* source, const std::string& target) {
    struct stat status;
    if (::stat(target.c_str(), &status) != 0) return;
    ::chmod(source, status.st_mode & 07777);
    // Only a privileged process may give a file away; the bits above are
    // what an unprivileged one keeps.
    if (::chown(source, status.st_uid, status.st_gid) != 0) return;
}

// Copies source to target's directory when the two lie on different file
// systems (a link into another one), so that the final move is one step.
bool MoveAcross(const char* source, const std::string& target, std::string& reason) {
    const std::string staged = target + ".zel-move";
    std::error_code error;
    std::filesystem::copy_file(source, staged, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        reason = error.message();
        return false;
    }
    TakeAttributes(staged.c_str(), target);
    if (!FlushPath(staged.c_str(), reason) || ::rename(staged.c_str(), target.c_str()) != 0) {
        if (reason.empty()) reason = std::strerror(errno);
        ::unlink(staged.c_str());
        return false;
    }
    ::unlink(source);
    return FlushDirectory(DirectoryOf(target), reason) && FlushDirectory(DirectoryOf(source), reason);
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

std::string PlatformResolvedPath(const char* path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
    if (error) resolved = std::filesystem::absolute(std::filesystem::path(path), error).lexically_normal();
    return resolved.string();
}

FileKind PlatformFileKind(const char* path) {
    struct stat status;
    if (::stat(path, &status) != 0) return FileKind::Missing;
    return S_ISREG(status.st_mode) ? FileKind::Regular : FileKind::Other;
}

bool PlatformReplaceFile(const char* source, const char* target, std::string& reason) {
    const std::string resolved = PlatformResolvedPath(target);
    if (!FlushPath(source, reason)) return false;
    TakeAttributes(source, resolved);
    if (::rename(source, resolved.c_str()) != 0) {
        if (errno == EXDEV) return MoveAcross(source, resolved, reason);
        reason = std::strerror(errno);
        return false;
    }
    return FlushDirectory(DirectoryOf(resolved), reason);
}

bool PlatformRenameFile(const char* oldPath, const char* newPath, std::string& reason) {
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    if (PlatformFileKind(oldPath) == FileKind::Regular && !FlushPath(oldPath, reason)) return false;
    // rename() would replace an existing new name; a rename must never
    // destroy a file. link() and unlink() refuse to.
    if (::link(oldPath, newPath) != 0) {
        const int saved = errno;
        // File systems without hard links: test, then rename.
        if (saved != EPERM && saved != EOPNOTSUPP && saved != EXDEV && saved != EMLINK) {
            reason = std::strerror(saved);
            errno = saved;
            return false;
        }
        if (PlatformFileKind(newPath) != FileKind::Missing) {
            reason = "the new name exists";
            errno = EEXIST;
            return false;
        }
        if (::rename(oldPath, newPath) != 0) {
            reason = std::strerror(errno);
            return false;
        }
    } else if (::unlink(oldPath) != 0) {
        reason = std::strerror(errno);
        ::unlink(newPath);
        return false;
    }
    return FlushDirectory(DirectoryOf(newPath), reason) && FlushDirectory(DirectoryOf(oldPath), reason);
}

bool PlatformDeleteFile(const char* path, std::string& reason) {
    if (::unlink(path) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return FlushDirectory(DirectoryOf(path), reason);
}

bool PlatformRemoveDirectory(const char* path, std::string& reason) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (::rmdir(trimmed.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return FlushDirectory(DirectoryOf(trimmed), reason);
}

bool PlatformFlushDirectoryOf(const char* path, std::string& reason) {
    return FlushDirectory(DirectoryOf(path), reason);
}

bool PlatformFlushStream(std::FILE* stream) { return std::fflush(stream) == 0 && ::fsync(fileno(stream)) == 0; }

bool PlatformFlushFile(const char* path, std::string& reason) { return FlushPath(path, reason); }

bool PlatformTruncateStream(std::FILE* stream, int64_t size, std::string& reason) {
    if (::ftruncate(fileno(stream), static_cast<off_t>(size)) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

LockResult PlatformLockFile(const char* path, bool exclusive, intptr_t* handle, std::string& reason) {
    for (;;) {
        const int fd =
            exclusive ? ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644) : ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (!exclusive && errno == ENOENT) return LockResult::Missing;
            reason = std::strerror(errno);
            return LockResult::Failed;
        }
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int saved = errno;
            ::close(fd);
            if (saved == EWOULDBLOCK) return LockResult::Busy;
            reason = std::strerror(saved);
            return LockResult::Failed;
        }
        // The holder before us may have removed the file between our open and
        // our lock: a lock on a file no longer under that name keeps nobody
        // out. Try again with the file the name gives now.
        struct stat opened;
        struct stat named;
        if (::fstat(fd, &opened) == 0 && ::stat(path, &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            *handle = fd;
            return LockResult::Held;
        }
        ::close(fd);
        if (!exclusive && PlatformFileKind(path) == FileKind::Missing) return LockResult::Missing;
    }
}

void PlatformUnlockFile(const char* path, bool exclusive, intptr_t handle) {
    // Removed while still locked, so that no one takes a lock on a file that
    // is about to go.
    if (exclusive) ::unlink(path);
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
