// Off Windows: the walk's calls. The link rule's owner test: a link is
// followed only when it belongs to the user running the program or to
// root, since a folder the server's own account can write may otherwise
// send a program running as root anywhere (the rule the Linux kernel
// applies to links in shared folders).
#include "walk_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zel::toolkit {
namespace {

bool OwnerAllowed(uid_t owner) { return owner == ::geteuid() || owner == 0; }

void CloseFolder(int& folder) {
    if (folder >= 0) ::close(folder);
    folder = -1;
}

}  // namespace

Kind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return Kind::Regular;
    if (S_ISDIR(mode)) return Kind::Folder;
    if (S_ISLNK(mode)) return Kind::Link;
    return Kind::Other;
}

Facts FactsOfStat(const struct stat& status) {
    Facts facts;
    facts.kind = KindOfMode(status.st_mode);
    facts.size = static_cast<uint64_t>(status.st_size);
    facts.links = static_cast<uint64_t>(status.st_nlink);
    facts.volume = static_cast<uint64_t>(status.st_dev);
    facts.index = static_cast<uint64_t>(status.st_ino);
    facts.mode = static_cast<uint32_t>(status.st_mode & 07777);
    facts.owner = static_cast<int64_t>(status.st_uid);
    facts.group = static_cast<int64_t>(status.st_gid);
    return facts;
}

Ownership OwnershipOfStat(const struct stat& status) {
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

PosixPlace::~Place() { CloseFolder(folder); }

PosixPlace::Place(Place&& other) noexcept
    : WalkedName(std::move(other)), folder(std::exchange(other.folder, -1)), found(other.found) {}

PosixPlace& PosixPlace::operator=(Place&& other) noexcept {
    if (this != &other) {
        CloseFolder(folder);
        WalkedName::operator=(std::move(other));
        folder = std::exchange(other.folder, -1);
        found = other.found;
    }
    return *this;
}

Status PosixPrimitives::AtStart(const LexicalPath&, Place& place) {
    // The start of all paths, "/": its own folder, named ".".
    place.folder = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (place.folder < 0) return Status::FromErrno(errno);
    if (::fstat(place.folder, &place.found) != 0) return Status::FromErrno(errno);
    place.kind = Kind::Folder;
    // Fills, not copies of literals: GCC 12 at -O3 takes the latter for
    // overlapping copies here.
    place.name.assign(1, '.');
    place.text.assign(1, '/');
    place.folderText.assign(1, '/');
    return Status();
}

Status PosixPrimitives::BeginAtRoot(const FileRoot& root, Place& place) {
    place.folder = ::fcntl(static_cast<int>(root.handle), F_DUPFD_CLOEXEC, 0);
    return place.folder >= 0 ? Status() : Status::FromErrno(errno);
}

Result<bool> PosixPrimitives::BeginAt(const std::string& folder, Place& place) {
    place.folder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (place.folder >= 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    return Status::FromErrno(errno);
}

Status PosixPrimitives::LookUp(Place& place, const std::string&, const std::string& name, std::string& spelled) {
    spelled = name;
    if (::fstatat(place.folder, name.c_str(), &place.found, AT_SYMLINK_NOFOLLOW) == 0) {
        place.kind = KindOfMode(place.found.st_mode);
        return Status();
    }
    if (errno != ENOENT) return Status::FromErrno(errno);
    place.kind = Kind::Missing;
    return Status();
}

Status PosixPrimitives::ReadLink(Place& place, const LexicalPath&, const std::string& folder, const std::string& link,
                                 std::string& target) {
    if (!OwnerAllowed(place.found.st_uid)) {
        return Status::Refused(Code::UnsafeLink, "the link " + link + " belongs to user " +
                                                     std::to_string(place.found.st_uid) +
                                                     ", neither the user running this nor root, and is not followed");
    }
    std::vector<char> buffer(4096);
    const std::string name = SplitLast(link).name;
    const ssize_t length = ::readlinkat(place.folder, name.c_str(), buffer.data(), buffer.size());
    if (length < 0) return Status::FromErrno(errno);
    if (length == 0 || static_cast<size_t>(length) >= buffer.size()) {
        return Status::Refused(Code::UnsafeLink, "the link " + link + " leads to no file or folder and is not followed");
    }
    const std::string text(buffer.data(), static_cast<size_t>(length));
    target = text.front() == '/' ? text : JoinName(folder, text);
    return Status();
}

Status PosixPrimitives::Descend(Place& place, const std::string& folder) {
    const std::string name = SplitLast(folder).name;
    const int next = ::openat(place.folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    CloseFolder(place.folder);
    if (next >= 0) {
        place.folder = next;
        return Status();
    }
    if (saved == ELOOP || saved == ENOTDIR) {
        return Status::Refused(Code::UnsafeLink, folder + " changed while it was followed");
    }
    return Status::FromErrno(saved);
}

void PosixPrimitives::Release(Place& place) { CloseFolder(place.folder); }

}  // namespace zel::toolkit
