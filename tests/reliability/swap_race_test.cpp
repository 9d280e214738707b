// The swap race: the server's own account, owning the home, watches the run
// (inotify) and swaps a work file for a link to a root-owned file outside
// the home at the first open of the work file after it was written, which
// is where a program that sets attributes by name would set them through
// the link. Tried over every work file a run writes in the folders the
// account can reach; whatever each try's run does (it may well stop, or
// finish with errors), no file outside the home may change in any way and
// no file the run made may be set-id.
//
// CI tries a sample spread over the work files (ZEL_SWEEP_STRIDE, as the
// sweeps); ZEL_SWEEP_STRIDE=1 makes the 200 tries.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "server_account.h"
#include "support/upgrade_fixture.h"

namespace zel::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kArguments = {"NEW:1", "CS:1", "OLD:Y"};
constexpr int kTries = 200;
constexpr int kTriesInCi = 25;
// The folders of a home the run writes work files in.
const char* const kFolders[] = {"bin", "system", "dict"};
// The mode the account gives its files: a chmod through the link would
// hand it to the root-owned file outside.
constexpr unsigned kAccountsMode = 04777;

struct WorkFile {
    std::string folder;
    std::string name;
    bool operator<(const WorkFile& other) const {
        return std::tie(folder, name) < std::tie(other.folder, other.name);
    }
};

bool IsWorkName(const std::string& name) {
    for (const char* suffix : {".NEW", ".new", ".zel-copy", ".zel-move", ".zel-undo"}) {
        const std::string end = suffix;
        if (name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0) return true;
    }
    return false;
}

// The ways a folder below root is: its kind, mode, owner and bytes.
std::map<std::string, std::string> Exactly(const fs::path& root) {
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status;
        if (::lstat(entry.path().c_str(), &status) != 0) continue;
        std::string text = std::to_string(status.st_mode) + " " + std::to_string(status.st_uid) + ":" +
                           std::to_string(status.st_gid);
        if (S_ISREG(status.st_mode)) text += "\n" + ReadFileText(entry.path());
        snapshot[entry.path().lexically_relative(root).generic_string()] = text;
    }
    return snapshot;
}

// The set-user-ID and set-group-ID files below root, by their identity.
std::map<std::string, std::pair<dev_t, ino_t>> SetIdFiles(const fs::path& root) {
    std::map<std::string, std::pair<dev_t, ino_t>> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status;
        if (::lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if ((status.st_mode & 06000) != 0) {
            found[entry.path().lexically_relative(root).generic_string()] = {status.st_dev, status.st_ino};
        }
    }
    return found;
}

class Race {
public:
    Race() {
        made_ = world.MakeHome().exitCode == 0;
        if (!made_) return;
        for (const char* name : {"PROFILE.INI", "LOG.INI"}) {
            fs::copy_file(world.Package() / name, world.Home() / "system" / name,
                          fs::copy_options::overwrite_existing);
        }
        outside_ = world.Home().parent_path() / "outside";
        WriteFileText(Victim(), "root's own file outside the home\n");
        fs::permissions(Victim(), fs::perms::owner_read | fs::perms::owner_write);
    }

    bool Made() const { return made_; }
    fs::path Home() const { return world.Home(); }
    fs::path Outside() const { return outside_; }
    fs::path Victim() const { return outside_ / "victim"; }

    // The home becomes the account's, every file of it in the mode the
    // account chose.
    void GiveHome(const ServerAccount& account) {
        GiveTreeToAccount(Home(), account);
        for (const auto& entry : fs::recursive_directory_iterator(Home())) {
            if (entry.is_regular_file()) fs::permissions(entry.path(), static_cast<fs::perms>(kAccountsMode));
        }
    }

    ProgramResult Upgrade() const { return world.Upgrade(kArguments); }

    UpgradeWorld world;

private:
    bool made_ = false;
    fs::path outside_;
};

// The work files a clean run writes in the folders, in the order it
// finishes writing them, seen by root's own watch.
std::vector<WorkFile> WorkFilesOfARun() {
    Race race;
    if (!race.Made()) return {};
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::map<int, std::string> folders;
    for (const char* folder : kFolders) {
        folders[::inotify_add_watch(watch, (race.Home() / folder).c_str(), IN_CLOSE_WRITE)] = folder;
    }
    std::atomic<bool> done{false};
    std::vector<WorkFile> found;
    std::set<WorkFile> seen;
    std::thread watcher([&] {
        alignas(struct inotify_event) char buffer[65536];
        while (!done) {
            struct pollfd wait = {watch, POLLIN, 0};
            ::poll(&wait, 1, 20);
            for (ssize_t count; (count = ::read(watch, buffer, sizeof buffer)) > 0;) {
                for (char* at = buffer; at < buffer + count;) {
                    const auto* event = reinterpret_cast<const struct inotify_event*>(at);
                    at += sizeof(struct inotify_event) + event->len;
                    if (event->len == 0) continue;
                    const WorkFile file{folders[event->wd], event->name};
                    if (IsWorkName(file.name) && seen.insert(file).second) found.push_back(file);
                }
            }
        }
    });
    race.Upgrade();
    done = true;
    watcher.join();
    ::close(watch);
    return found;
}

// Run as the account, from the home: watches the file's folder and, at the
// first open of the work file after it was written, swaps it for a link to
// the victim. Says on ready when the watch is set; exits 10 after a swap,
// else runs until stopped.
int SwapAtFirstOpen(int home, const WorkFile& file, const std::string& victim, int ready) {
    const int folder = ::openat(home, file.folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (folder < 0 || watch < 0) return 2;
    // Through the open folder: the folders above the home are root's.
    const std::string where = "/proc/self/fd/" + std::to_string(folder);
    if (::inotify_add_watch(watch, where.c_str(), IN_CLOSE_WRITE | IN_OPEN) < 0) return 3;
    if (::write(ready, "r", 1) != 1) return 4;
    ::close(ready);
    const std::string link = "." + file.name + ".swap";
    bool written = false;
    alignas(struct inotify_event) char buffer[65536];
    for (ssize_t count; (count = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + count;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(at);
            at += sizeof(struct inotify_event) + event->len;
            if (event->len == 0 || file.name != event->name) continue;
            if ((event->mask & IN_CLOSE_WRITE) != 0) written = true;
            if (written && (event->mask & IN_OPEN) != 0 && (event->mask & IN_ISDIR) == 0) {
                if (::symlinkat(victim.c_str(), folder, link.c_str()) == 0 &&
                    ::renameat(folder, link.c_str(), folder, file.name.c_str()) == 0) {
                    return 10;
                }
                ::unlinkat(folder, link.c_str(), 0);
                return 5;
            }
        }
    }
    return 6;
}

TEST(SwapRace, NoFileOutsideTheHomeChangesWhateverWorkFileIsSwapped) {
    const ServerAccount* account = TheServerAccount();
    if (account == nullptr) GTEST_SKIP() << "skipped: not root";
    const std::vector<WorkFile> files = WorkFilesOfARun();
    ASSERT_GE(files.size(), 10u) << "a run writes more work files than were seen";

    const int stride = std::max(1, EnvironmentNumber("ZEL_SWEEP_STRIDE", kTries / kTriesInCi));
    int tried = 0, swapped = 0;
    std::map<int, int> statuses;
    std::set<WorkFile> reached;
    for (int attempt = 0; attempt < kTries; attempt += stride) {
        const WorkFile& file = files[static_cast<size_t>(attempt) % files.size()];
        SCOPED_TRACE(file.folder + "/" + file.name);
        Race race;
        ASSERT_TRUE(race.Made());
        race.GiveHome(*account);
        const auto outsideBefore = Exactly(race.Outside());
        const auto setIdBefore = SetIdFiles(race.Home());

        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        AccountProcess swapper(*account, race.Home(), [&](int home) {
            ::close(ready[0]);
            return SwapAtFirstOpen(home, file, race.Victim().string(), ready[1]);
        });
        ::close(ready[1]);
        char said = 0;
        ASSERT_EQ(::read(ready[0], &said, 1), 1) << "the account's watch was not set";
        ::close(ready[0]);
        const ProgramResult result = race.Upgrade();
        const int swap = swapper.Stop();
        ++tried;
        swapped += swap == 10 ? 1 : 0;
        if (swap == 10) reached.insert(file);
        ++statuses[result.exitCode];

        EXPECT_TRUE(Exactly(race.Outside()) == outsideBefore)
            << "a file outside the home changed\nthe run's output:\n" << result.output;
        // A set-id file left is one the account made, never one the run
        // made (the run may move one of the account's to another name).
        std::set<std::pair<dev_t, ino_t>> identities;
        for (const auto& [path, identity] : setIdBefore) identities.insert(identity);
        for (const auto& [path, identity] : SetIdFiles(race.Home())) {
            EXPECT_TRUE(identities.count(identity) != 0) << path << " is a set-id file the run made";
        }
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1 || result.exitCode == 2) << result.output;
    }
    std::printf("[ race ] %d tries over %zu work files (stride %d): the account swapped %d work files (%zu of them "
                "different) for a link out of the home; exit statuses:",
                tried, files.size(), stride, swapped, reached.size());
    for (const auto& [status, count] : statuses) std::printf(" %d x%d", status, count);
    std::printf("\n");
}

}  // namespace
}  // namespace zel::testing
