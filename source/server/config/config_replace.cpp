#include "config_replace.h"

#include <cstring>
#include <vector>

#include "config_paths.h"
#include "config_text.h"
#include "first_failure.h"
#include "zelkit.h"

namespace {

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const char* path, std::vector<char>* bytes) {
    uint64_t size = 0;
    if (!Z_GetFileSize(path, &size)) return false;
    bytes->resize(static_cast<size_t>(size));
    HZFILE file = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return false;
    const bool read =
        size == 0 || Z_ReadFile(file, bytes->data(), static_cast<int64_t>(size), 1) == static_cast<int64_t>(size);
    CloseReadFile(file);
    return read;
}

// True only when both files could be read and hold the same bytes; any doubt
// counts as different, which leads to an ordinary replacement.
bool SameContent(const char* first, const char* second) {
    std::vector<char> a;
    std::vector<char> b;
    return ReadWholeFile(first, &a) && ReadWholeFile(second, &b) && a == b;
}

}  // namespace

bool ReplaceConfigFile(const char* installedPath, const char* newPath, const char* backupPath) {
    // Copy rather than rename the installed file to its backup: a rename
    // would leave the installed name empty until the new file arrives.
    if (backupPath != nullptr && !Z_CloneFile(installedPath, backupPath)) {
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

bool DiscardWorkFile(const char* path) { return !Z_IsValidFileName(path) || Z_DeleteFile(path); }

bool EndWithWorkFile(bool failed, const char* newPath) {
    FirstFailure failure;
    if (failed) failure.Note();
    if (!DiscardWorkFile(newPath)) failure.Note();
    return failure.Restore();
}
