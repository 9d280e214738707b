// Off Windows: a path followed one name at a time from an open folder, the
// root it lies beneath (Z_AddFileRoot) or, beneath no root, the folder that
// holds its last name.
//
// The link rule: a link is followed only when it belongs to the user
// running the program or to root, and it leads to a regular file or a
// folder. A link anyone else made is never followed, since a folder the
// server's own account can write may otherwise send a program running as
// root anywhere (the rule the Linux kernel applies to links in shared
// folders).
#include "place_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "file_roots.h"
#include "path_lexical.h"
#include "toolkit_internal.h"

namespace zel::toolkit {
namespace {

constexpr int kMostLinks = 32;

bool OwnerAllowed(uid_t owner) { return owner == ::geteuid() || owner == 0; }

bool ReadLink(int folder, const std::string& name, std::string& target) {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return false;
    target.assign(buffer.data(), static_cast<size_t>(length));
    return true;
}

void CloseFolder(int& folder) {
    if (folder >= 0) ::close(folder);
    folder = -1;
}

bool Walk(const LexicalPath& lexical, LastName last, Place& place, Problem& problem, int hops);

// A link the rule allows: the walk goes on from what it names, with the
// names that followed it.
bool FollowLink(int& folder, const std::string& folderText, const std::string& name, const struct stat& status,
                const LexicalPath& lexical, size_t at, LastName last, Place& place, Problem& problem, int hops) {
    const std::string here = JoinName(folderText, name);
    if (!OwnerAllowed(status.st_uid)) {
        CloseFolder(folder);
        problem = Problem{Z_ERROR_UNSAFE_LINK, "the link " + here + " belongs to user " +
                                                   std::to_string(status.st_uid) +
                                                   ", neither the user running this nor root, and is not followed"};
        return false;
    }
    std::string target;
    if (!ReadLink(folder, name, target)) {
        const int saved = errno;
        CloseFolder(folder);
        problem = SystemProblem(saved);
        return false;
    }
    CloseFolder(folder);
    std::string text = target.front() == '/' ? target : JoinName(folderText, target);
    for (size_t rest = at + 1; rest < lexical.names.size(); ++rest) text = JoinName(text, lexical.names[rest]);
    LexicalPath next;
    if (!MakeLexical(text, next)) {
        problem = Problem{Z_ERROR_IO, "the current directory cannot be read"};
        return false;
    }
    if (!Walk(next, last, place, problem, hops + 1)) return false;
    if (at + 1 < lexical.names.size()) return true;
    // The link is the last name: what it names must be a file or a folder.
    struct stat named;
    if (place.folder < 0 || ::fstatat(place.folder, place.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !(S_ISREG(named.st_mode) || S_ISDIR(named.st_mode))) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "the link " + here + " leads to no file or folder and is not followed"};
        return false;
    }
    return true;
}

bool Walk(const LexicalPath& lexical, LastName last, Place& place, Problem& problem, int hops) {
    if (hops > kMostLinks) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "it leads through more than 32 links"};
        return false;
    }
    place = Place{};
    const size_t count = lexical.names.size();
    if (count == 0) {
        // The start of all paths, "/": its own folder, named ".".
        place.folder = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (place.folder < 0) {
            problem = SystemProblem(errno);
            return false;
        }
        // Fills, not copies of literals: GCC 12 at -O3 takes the latter for
        // overlapping copies here.
        place.name.assign(1, '.');
        place.text.assign(1, '/');
        place.folderText.assign(1, '/');
        return true;
    }
    int folder = -1;
    size_t first = 0;
    std::string folderText;
    if (const FileRoot* root = RootBeneath(lexical)) {
        folder = ::fcntl(static_cast<int>(root->handle), F_DUPFD_CLOEXEC, 0);
        first = root->path.names.size();
        folderText = root->path.Text();
    } else {
        // Beneath no root, the folders on the way are the system's business.
        first = count - 1;
        folderText = lexical.Prefix(first);
        folder = ::open(folderText.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0 && (errno == ENOENT || errno == ENOTDIR)) {
            place.name = lexical.names.back();
            place.text = lexical.Text();
            place.folderText = folderText;
            return true;
        }
    }
    if (folder < 0) {
        problem = SystemProblem(errno);
        return false;
    }
    for (size_t at = first; at < count; ++at) {
        const std::string& name = lexical.names[at];
        const bool isLast = at + 1 == count;
        struct stat status;
        if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            const int saved = errno;
            if (saved != ENOENT) {
                CloseFolder(folder);
                problem = SystemProblem(saved);
                return false;
            }
            // Missing: so is everything below it.
            if (!isLast) CloseFolder(folder);
            place.folder = folder;
            place.name = lexical.names.back();
            place.text = lexical.Text();
            place.folderText = isLast ? folderText : lexical.Prefix(count - 1);
            return true;
        }
        if (S_ISLNK(status.st_mode) && (!isLast || last == LastName::Follow)) {
            return FollowLink(folder, folderText, name, status, lexical, at, last, place, problem, hops);
        }
        if (isLast) {
            place.folder = folder;
            place.name = name;
            place.folderText = folderText;
            place.text = JoinName(folderText, name);
            return true;
        }
        if (!S_ISDIR(status.st_mode)) {
            CloseFolder(folder);
            problem = Problem{Z_ERROR_NOT_FOUND, JoinName(folderText, name) + " is not a folder"};
            return false;
        }
        const int next = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int saved = errno;
        CloseFolder(folder);
        if (next < 0) {
            problem = saved == ELOOP || saved == ENOTDIR
                          ? Problem{Z_ERROR_UNSAFE_LINK, JoinName(folderText, name) + " changed while it was followed"}
                          : SystemProblem(saved);
            return false;
        }
        folder = next;
        folderText = JoinName(folderText, name);
    }
    return true;  // not reached: the last name returns in the loop
}

}  // namespace

Place::~Place() { CloseFolder(folder); }

Place::Place(Place&& other) noexcept
    : folder(std::exchange(other.folder, -1)),
      name(std::move(other.name)),
      text(std::move(other.text)),
      folderText(std::move(other.folderText)) {}

Place& Place::operator=(Place&& other) noexcept {
    if (this != &other) {
        CloseFolder(folder);
        folder = std::exchange(other.folder, -1);
        name = std::move(other.name);
        text = std::move(other.text);
        folderText = std::move(other.folderText);
    }
    return *this;
}

Problem SystemProblem(int errnoValue) { return Problem{CodeOfErrno(errnoValue), std::strerror(errnoValue)}; }

bool FindPlace(const char* path, LastName last, Place& place, Problem& problem) {
    LexicalPath lexical;
    if (path == nullptr || !MakeLexical(path, lexical)) {
        problem = Problem{Z_ERROR_IO, "the current directory cannot be read"};
        return false;
    }
    return Walk(lexical, last, place, problem, 0);
}

}  // namespace zel::toolkit
