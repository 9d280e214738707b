#include "server/config/config_replace.h"

#include "server/config/config_paths.h"
#include "server/host/zelkit.h"

int ReplaceConfigFile(const char* installedPath, const char* newPath, const char* backupPath) {
    // Copy rather than rename the installed file to its backup: a rename
    // would leave the installed name empty until the new file arrives.
    if (backupPath != nullptr && !Z_CloneFile(installedPath, backupPath)) {
        return 0;
    }
    return Z_ReplaceFile(newPath, installedPath) ? 1 : 0;
}

int ReplaceConfigFileKeepingBackup(const char* installedPath) {
    char newPath[Z_MAX_PATH];
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(newPath, installedPath, ".NEW") || !JoinConfigPath(backupPath, installedPath, ".BAK")) {
        return 0;
    }
    return ReplaceConfigFile(installedPath, newPath, backupPath);
}

void DiscardWorkFile(const char* path) {
    if (Z_IsValidFileName(path)) {
        Z_DeleteFile(path);
    }
}
