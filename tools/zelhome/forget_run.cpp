#include "forget_run.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "home_paths.h"
#include "run_record_file.h"
#include "zelkit.h"

namespace zelhome {

namespace {

constexpr int kRemoved = 0;
constexpr int kFailed = 1;
constexpr int kNotRemoved = 2;

uint32_t KindOf(const std::string& path) {
    std::string name = path;
    while (name.size() > 1 && (name.back() == Z_PATH_SEPARATOR || name.back() == '/')) name.pop_back();
    ZFileInfo info{};
    if (!Z_GetFileInfo(name.c_str(), Z_NO_LINK, &info)) return Z_FILE_OTHER;
    return info.kind;
}

bool Failed(const char* what) {
    std::fprintf(stderr, "zelhome: cannot remove %s: %s\n", what, Z_GetLastErrorPrompt(nullptr, 0));
    return false;
}

// A name of the record goes as a name: a link there is removed, never what
// it names.
bool RemoveName(const std::string& path) {
    std::string name = path;
    while (name.size() > 1 && (name.back() == Z_PATH_SEPARATOR || name.back() == '/')) name.pop_back();
    switch (KindOf(name)) {
        case Z_FILE_MISSING: return true;
        case Z_FILE_DIRECTORY: return Z_RemoveDir(name.c_str()) != 0 || Failed(name.c_str());
        default: return Z_DeleteFile(name.c_str()) != 0 || Failed(name.c_str());
    }
}

std::string SystemFile(const std::string& home, const char* name) {
    return home + Z_PATH_SEPARATOR + "system" + Z_PATH_SEPARATOR + name;
}

// The upgrade's names beside its record that another account made or may
// change: the upgrade refuses them as it refuses such a record, and they
// go with it. Each with why, for the question.
std::vector<std::pair<std::string, std::string>> ForeignNames(const std::string& home) {
    std::vector<std::pair<std::string, std::string>> foreign;
    for (const char* name : {"UPGRADE.LCK", "OLDSERVICE.INF", "SERVICE.INF"}) {
        const std::string path = SystemFile(home, name);
        ZFileInfo info{};
        if (!Z_GetFileInfo(path.c_str(), Z_OWN_FILE, &info) && Z_GetLastError() == Z_ERROR_NOT_OWN) {
            foreign.emplace_back(path, NotOwnText());
        }
    }
    return foreign;
}

bool RemoveRecord(const char* home) {
    const std::string journal = JournalDirectory(home);
    // The first removal sets the journal aside and keeps the name it went
    // under; the second, finding no journal, takes what is left of it.
    if (KindOf(journal) == Z_FILE_DIRECTORY &&
        (!Z_RemoveFileJournal(journal.c_str()) || !Z_RemoveFileJournal(journal.c_str()))) {
        return Failed(journal.c_str());
    }
    const std::string record = RunRecordFile(home);
    return RemoveName(journal) && RemoveName(record) && RemoveName(record + ".NEW") &&
           RemoveName(RunRecordDirectory(home));
}

}  // namespace

int ForgetRunCommand(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zelhome forget-run HOME\n");
        return kNotRemoved;
    }
    const std::string home = argv[2];
    std::string message;
    if (!CheckPathArgument(home, &message)) {
        std::fprintf(stderr, "zelhome: %s\n", message.c_str());
        return kNotRemoved;
    }
    Z_AddFileRoot(home.c_str());
    const bool hasRecord = KindOf(RunRecordDirectory(home.c_str())) != Z_FILE_MISSING;
    const std::vector<std::pair<std::string, std::string>> foreign = ForeignNames(home);
    if (!hasRecord && foreign.empty()) {
        std::printf("zelhome: %s holds no record of an interrupted upgrade\n", home.c_str());
        return kRemoved;
    }
    // Held while the record goes: no upgrade starts on the home meanwhile.
    // A lock file another account made is no upgrade's lock: it goes first.
    const std::string lock = SystemFile(home, "UPGRADE.LCK");
    const bool foreignLock = !foreign.empty() && foreign.front().first == lock;
    HZLOCK held = foreignLock ? nullptr : Z_LockPath(lock.c_str(), 1);
    if (!foreignLock && held == nullptr) {
        std::fprintf(stderr, "zelhome: %s\n",
                     Z_GetLastError() == Z_ERROR_LOCKED ? ("an upgrade of " + home + " is running").c_str()
                                                        : Z_GetLastErrorPrompt(nullptr, 0));
        return kFailed;
    }
    if (hasRecord) {
        RunRecordValues values;
        std::string why;
        const RecordCheck check = CheckRunRecord(home.c_str(), &values, &why);
        std::string directory = RunRecordDirectory(home.c_str());
        directory.pop_back();
        const char* state = check == RecordCheck::Damaged      ? " is damaged: "
                            : check == RecordCheck::Foreign    ? " is not this home's upgrade's own: "
                            : check == RecordCheck::Unreadable ? " cannot be checked: "
                                                               : " is whole";
        std::printf("The record of an interrupted upgrade in %s%s%s.\n", directory.c_str(), state,
                    check == RecordCheck::Whole || check == RecordCheck::None ? "" : why.c_str());
    }
    for (const auto& [path, why] : foreign) {
        std::printf("Not the upgrade's own, and removed with the record: %s.\n", why.c_str());
    }
    std::printf(
        "Once it is removed, the next upgrade starts afresh from the home as it is now, without putting back what\n"
        "the interrupted run changed in the data dictionary. Restore the home from its backup instead if you can.\n"
        "Type yes to remove the record: ");
    std::fflush(stdout);
    char answer[16];
    const bool confirmed = Z_InputConsoleLine(answer, sizeof answer, 1) >= 0 && ZSTRCMPI(answer, "yes") == 0;
    if (!confirmed) {
        std::printf("\nzelhome: nothing was removed\n");
        Z_UnlockPath(held);
        return kNotRemoved;
    }
    if (foreignLock) {
        if (!RemoveName(lock)) return kFailed;
        held = Z_LockPath(lock.c_str(), 1);
        if (held == nullptr) {
            std::fprintf(stderr, "zelhome: %s\n", Z_GetLastErrorPrompt(nullptr, 0));
            return kFailed;
        }
    }
    bool removed = !hasRecord || RemoveRecord(home.c_str());
    for (const auto& [path, why] : foreign) {
        if (path != lock) removed = removed && RemoveName(path);
    }
    if (!Z_UnlockPath(held)) {
        std::fprintf(stderr, "zelhome: %s\n", Z_GetLastErrorPrompt(nullptr, 0));
        removed = false;
    }
    if (!removed) return kFailed;
    std::printf("\nzelhome: removed the record of the interrupted upgrade in %s\n", home.c_str());
    return kRemoved;
}

}  // namespace zelhome
