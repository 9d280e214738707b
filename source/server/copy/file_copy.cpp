#include "server/copy/file_copy.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "server/host/zelkit.h"
#include "server/update/error_line.h"

namespace {

constexpr int kProgressWidth = 64;
constexpr int kLongestShownName = 47;

// The pause lets an administrator read each name. Test runs set
// ZEL_SLEEP_SCALE=0 to skip it (the same knob skips the service manager's
// waits); any other value, or none, keeps the full pause.
void PauseAfterProgress() {
    static const bool skip = [] {
        const char* scale = std::getenv("ZEL_SLEEP_SCALE");
        return scale != nullptr && scale[0] == '0' && scale[1] == '\0';
    }();
    if (!skip) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// Appends name and extension to a directory buffer of Z_MAX_PATH; the caller
// cuts the buffer back to its directory afterwards.
bool AppendName(char* directory, const char* name, const char* extension) {
    return Z_AppendPath(directory, name) != 0 && Z_AppendPath(directory, extension) != 0;
}

}  // namespace

int ShowCopyProgress(const char* path) {
    char line[kProgressWidth + 1];
    if (path != nullptr) {
        const char* name = path + Z_GetFileNamePathLength(path);
        // Long names would break the one-line display; they are not shown.
        if (std::strlen(name) > static_cast<size_t>(kLongestShownName)) return 1;
        std::snprintf(line, sizeof line, "Copying: %s", name);
    } else {
        line[0] = '\0';
    }
    std::printf("\r%-*s", kProgressWidth, line);
    std::fflush(stdout);
    PauseAfterProgress();
    return 1;
}

int CopySystemFile(char* targetDir, char* sourceDir, const char* name, const char* extension, int mode) {
    const size_t sourceBase = std::strlen(sourceDir);
    if (!AppendName(targetDir, name, extension)) {
        PrintToolkitErrorLine();
        return 0;
    }
    if (mode == 0 && Z_IsValidFileName(targetDir)) return 1;
    if (!AppendName(sourceDir, name, extension)) {
        PrintToolkitErrorLine();
        return 0;
    }
    if (mode == 1) ShowCopyProgress(sourceDir + sourceBase);
    if (Z_CloneFile(sourceDir, targetDir)) return 1;
    PrintToolkitErrorLine();
    return 0;
}

int CopyPloFiles(char* targetDir, char* sourceDir) {
    const size_t targetBase = std::strlen(targetDir);
    const size_t sourceBase = std::strlen(sourceDir);

    char probe[Z_MAX_PATH];
    std::snprintf(probe, sizeof probe, "%s", sourceDir);
    if (!Z_AppendPath(probe, "zemckmplo64.dll") || !Z_IsValidFileName(probe)) return 1;
    std::snprintf(probe, sizeof probe, "%s", sourceDir);
    if (!Z_AppendPath(probe, "plo") || !Z_IsValidFilePath(probe, 0)) return 1;

    CopySystemFile(targetDir, sourceDir, "zemckmplo64.dll", "", 1);
    targetDir[targetBase] = '\0';
    sourceDir[sourceBase] = '\0';

    char target[Z_MAX_PATH];
    std::snprintf(target, sizeof target, "%s", targetDir);
    const bool built = Z_AppendPath(target, "..") && Z_AppendSubdirSymbol(target, 0) &&
                       Z_AppendPath(target, "dict") && Z_AppendSubdirSymbol(target, 0) &&
                       Z_AppendPath(target, "plo");
    if (built && Z_DuplicateDir(probe, target, ShowCopyProgress, 0)) return 1;
    PrintToolkitErrorLine();
    return 0;
}

int MigrateCfgFile(char* configDir, char* sourceDir, const char* oldName, const char* newName) {
    const size_t base = std::strlen(configDir);
    const size_t sourceBase = std::strlen(sourceDir);
    char newPath[Z_MAX_PATH];
    char oldPath[Z_MAX_PATH];
    std::snprintf(newPath, sizeof newPath, "%s", configDir);
    std::snprintf(oldPath, sizeof oldPath, "%s", configDir);
    // A failure is shown like a failed copy: the run finishes with errors
    // and should say which file kept its old name.
    if (!Z_AppendPath(newPath, newName) || !Z_AppendPath(oldPath, oldName)) {
        PrintToolkitErrorLine();
        return 0;
    }
    if (Z_IsValidFileName(newPath)) return 1;
    if (Z_IsValidFileName(oldPath)) {
        if (Z_RenameFile(oldPath, newPath)) return 1;
        PrintToolkitErrorLine();
        return 0;
    }
    const int copied = CopySystemFile(configDir, sourceDir, newName, "", 0);
    configDir[base] = '\0';
    sourceDir[sourceBase] = '\0';
    return copied;
}
