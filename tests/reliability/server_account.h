// The server's own account in the hostile rows: an unprivileged account
// that owns the home and attacks the upgrade the administrator runs as
// root. The tests make it (useradd) when they run as root; otherwise the
// rows that need it are skipped ("skipped: not root"). POSIX only (the
// tables that use it run natively).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zel::testing {

struct ServerAccount {
    unsigned uid = 0;
    unsigned gid = 0;
};

// The account, made once; null when the tests do not run as root or the
// account cannot be made.
const ServerAccount* TheServerAccount();

// Gives path (the name itself, never what a link names) to the account,
// and a whole tree below root.
void GiveToAccount(const std::filesystem::path& path, const ServerAccount& account);
void GiveTreeToAccount(const std::filesystem::path& root, const ServerAccount& account);

// A process running as the account, started from folder, which is opened
// while the test is still root (the scratch folders above a home are
// root's own, so the account reaches the home only this way, as the
// server's account reaches its home). work gets the open folder and
// returns the process's exit status; it runs until it returns or the
// process is stopped.
class AccountProcess {
public:
    AccountProcess(const ServerAccount& account, const std::filesystem::path& folder,
                   const std::function<int(int folder)>& work);
    ~AccountProcess();
    AccountProcess(const AccountProcess&) = delete;
    AccountProcess& operator=(const AccountProcess&) = delete;

    // Stops the process (SIGTERM) unless it ended, and gives its status:
    // its exit status, or -1 when it was stopped or did not start.
    int Stop();
    // Waits for the process to end by itself and gives its exit status.
    int Wait();

private:
    int pid_ = -1;
};

// The files below home (relative paths) that the account can open and read
// and whose bytes hold secret.
std::vector<std::string> ReadableByAccount(const ServerAccount& account, const std::filesystem::path& home,
                                           const std::string& secret);

}  // namespace zel::testing
