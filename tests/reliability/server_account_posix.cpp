#include "server_account.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAccountName = "zelserveracct";

// Looks through the open folder, as the account, for readable files that
// hold secret; writes their relative paths to out, one a line.
void FindReadable(int folder, const std::string& relative, const std::string& secret, std::FILE* out, int depth) {
    DIR* list = ::fdopendir(folder);
    if (list == nullptr) {
        ::close(folder);
        return;
    }
    while (const struct dirent* entry = ::readdir(list)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat status;
        if (::fstatat(::dirfd(list), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(status.st_mode) && depth < 16) {
            const int inner = ::openat(::dirfd(list), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (inner >= 0) FindReadable(inner, path, secret, out, depth + 1);
        } else if (S_ISREG(status.st_mode)) {
            const int file = ::openat(::dirfd(list), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
            if (file < 0) continue;
            std::string bytes;
            char block[65536];
            for (ssize_t count; (count = ::read(file, block, sizeof block)) > 0;) {
                bytes.append(block, static_cast<size_t>(count));
            }
            ::close(file);
            if (bytes.find(secret) != std::string::npos) std::fprintf(out, "%s\n", path.c_str());
        }
    }
    ::closedir(list);
}

}  // namespace

const ServerAccount* TheServerAccount() {
    static const ServerAccount* const account = []() -> const ServerAccount* {
        if (::geteuid() != 0) return nullptr;
        const struct passwd* found = ::getpwnam(kAccountName);
        if (found == nullptr) {
            const std::string command = std::string("useradd --system --no-create-home --shell /usr/sbin/nologin ") +
                                        kAccountName + " >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) return nullptr;
            found = ::getpwnam(kAccountName);
        }
        if (found == nullptr) return nullptr;
        return new ServerAccount{static_cast<unsigned>(found->pw_uid), static_cast<unsigned>(found->pw_gid)};
    }();
    return account;
}

void GiveToAccount(const fs::path& path, const ServerAccount& account) {
    if (::lchown(path.c_str(), account.uid, account.gid) != 0) std::perror(path.c_str());
}

void GiveTreeToAccount(const fs::path& root, const ServerAccount& account) {
    GiveToAccount(root, account);
    for (const auto& entry : fs::recursive_directory_iterator(root)) GiveToAccount(entry.path(), account);
}

AccountProcess::AccountProcess(const ServerAccount& account, const fs::path& folder,
                               const std::function<int(int folder)>& work) {
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int opened = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (opened < 0 || ::setgroups(0, nullptr) != 0 || ::setgid(account.gid) != 0 || ::setuid(account.uid) != 0) {
        ::_exit(125);
    }
    ::_exit(work(opened));
}

AccountProcess::~AccountProcess() { Stop(); }

int AccountProcess::Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    return Wait();
}

int AccountProcess::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    const pid_t ended = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (ended < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::vector<std::string> ReadableByAccount(const ServerAccount& account, const fs::path& home,
                                           const std::string& secret) {
    std::vector<std::string> found;
    int pipe[2];
    if (::pipe(pipe) != 0) return {"(no pipe)"};
    {
        AccountProcess reader(account, home, [&](int folder) {
            ::close(pipe[0]);
            std::FILE* out = ::fdopen(pipe[1], "w");
            if (out == nullptr) return 1;
            FindReadable(folder, "", secret, out, 0);
            std::fclose(out);
            return 0;
        });
        ::close(pipe[1]);
        std::FILE* in = ::fdopen(pipe[0], "r");
        char line[4096];
        while (in != nullptr && std::fgets(line, sizeof line, in) != nullptr) {
            std::string path = line;
            if (!path.empty() && path.back() == '\n') path.pop_back();
            found.push_back(path);
        }
        if (in != nullptr) std::fclose(in);
        if (reader.Wait() != 0) found.push_back("(the account's reader did not run)");
    }
    return found;
}


}  // namespace zel::testing
