#include "config_replace.h"

#include <cstring>
#include <functional>
#include <string>

#include "config_paths.h"
#include "config_text.h"
#include "first_failure.h"
#include "zelkit.h"

namespace {

// True only when both files could be read and hold the same bytes; any doubt
// (a file larger than any configuration file included, which is not read)
// counts as different, which leads to an ordinary replacement.
bool SameContent(const char* first, const char* second) {
    std::string a;
    std::string b;
    return ReadConfigText(first, &a) && ReadConfigText(second, &b) && a == b;
}

constexpr int kMostNumberedBackups = 999;

// "PROFILE.INI.BAK" becomes "PROFILE.INI.<n>.BAK" for the first n that
// names nothing.
bool MoveToNumberedName(const char* backupPath) {
    std::string stem = backupPath;
    const std::string suffix = ".BAK";
    if (stem.size() > suffix.size() && ZSTRCMPI(stem.c_str() + stem.size() - suffix.size(), suffix.c_str()) == 0) {
        stem.resize(stem.size() - suffix.size());
    }
    for (int number = 1; number <= kMostNumberedBackups; ++number) {
        const std::string numbered = stem + "." + std::to_string(number) + suffix;
        if (numbered.size() >= Z_MAX_PATH) break;
        const int taken = Z_NameExists(numbered.c_str());
        if (taken > 0) continue;
        return taken == 0 && Z_RenameFile(backupPath, numbered.c_str()) != 0;
    }
    Z_SetLastErrorText(Z_ERROR_TOO_LONG, "no free numbered name is left beside %s for the earlier backup", backupPath);
    return false;
}

// An earlier backup is the one copy of the configuration as it was before
// that earlier change: it moves to a numbered name. One that holds what is
// kept now was made by this run, or by the interrupted run it goes on from,
// and is made again.
bool SetEarlierBackupAside(const char* backupPath, const std::function<bool()>& holdsWhatIsKept) {
    const int earlier = Z_FileExists(backupPath);
    if (earlier <= 0) return earlier == 0;
    return holdsWhatIsKept() || MoveToNumberedName(backupPath);
}

}  // namespace

bool KeepInstalledBackup(const char* installedPath, const char* backupPath) {
    return SetEarlierBackupAside(backupPath, [&] { return SameContent(backupPath, installedPath); }) &&
           Z_KeepBackup(installedPath, backupPath) != 0;
}

bool KeepBackupText(const std::string& installed, const char* backupPath) {
    const auto same = [&] {
        std::string text;
        return ReadConfigText(backupPath, &text) && text == installed;
    };
    return SetEarlierBackupAside(backupPath, same) &&
           Z_WriteWholeFile(backupPath, installed.data(), static_cast<int64_t>(installed.size()), 0) != 0;
}

bool ReplaceConfigFile(const char* installedPath, const char* newPath, const char* backupPath) {
    // The installed file itself becomes the backup, under a second name
    // rather than by a rename: a rename would leave the installed name empty
    // until the new file arrives.
    if (backupPath != nullptr && !KeepInstalledBackup(installedPath, backupPath)) {
        return false;
    }
    return Z_ReplaceFile(newPath, installedPath);
}

bool ReplaceConfigFileKeepingBackup(const char* installedPath) {
    char newPath[Z_MAX_PATH];
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(newPath, installedPath, ".NEW") || !JoinConfigPath(backupPath, installedPath, ".BAK")) {
        return false;
    }
    // A merge that writes back exactly the installed bytes changes nothing:
    // replacing would only overwrite the backup of an earlier run, the one
    // copy of the configuration as it was before the upgrade.
    if (SameContent(newPath, installedPath)) return true;
    return ReplaceConfigFile(installedPath, newPath, backupPath);
}

// Whatever has the work name goes, a link there as a name.
bool DiscardWorkFile(const char* path) {
    const int there = Z_NameExists(path);
    return there == 0 || (there > 0 && Z_DeleteFile(path));
}

bool EndWithWorkFile(bool failed, const char* newPath) {
    FirstFailure failure;
    if (failed) failure.Note();
    if (!DiscardWorkFile(newPath)) failure.Note();
    return failure.Restore();
}
