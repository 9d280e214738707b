#include "file_copy.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "console.h"
#include "fixed_path.h"
#include "half_move.h"
#include "same_bytes.h"
#include "zelkit.h"

namespace {

constexpr int kProgressWidth = 64;
constexpr int kLongestShownName = 47;
constexpr const char* kPloLibrary = "zemckmplo64.dll";

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

}  // namespace

// The package holds the plo module only with both its library and its
// data directory.
int PackageHasPloModule(const char* sourceDir) {
    const FixedPath source = FixedPath::Directory(sourceDir);
    const FixedPath library = source.File(kPloLibrary);
    const FixedPath data = source.File("plo");
    if (!library.ok() || !data.ok()) return -1;
    const int hasLibrary = Z_FileExists(library.c_str());
    if (hasLibrary <= 0) return hasLibrary;
    return Z_DirExists(data.c_str());
}

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
    // Each file has its line; on a console each overwrites the one before.
    ConsoleEndProgress();
    ConsoleProgress("\r%-*s", kProgressWidth, line);
    PauseAfterProgress();
    return 1;
}

bool CopyFileUnlessSame(const char* source, const char* target, bool progress, bool* copied) {
    if (copied != nullptr) *copied = false;
    // A failure to tell fails the copy: taken for a difference, the copy
    // would meet the same fault; taken for sameness, a file that differs
    // could stay.
    const int same = HoldsSameBytes(target, source);
    if (same != 0) return same > 0;
    if (progress) ShowCopyProgress(source);
    if (Z_CloneFile(source, target) == 0) return false;
    if (copied != nullptr) *copied = true;
    return true;
}

bool CopySystemFile(const char* targetDir, const char* sourceDir, const char* name, const char* extension, int mode,
                    bool* copied) {
    if (copied != nullptr) *copied = false;
    const FixedPath target = FixedPath::Directory(targetDir).File(name, extension);
    if (!target.ok()) return false;
    const FixedPath source = FixedPath::Directory(sourceDir).File(name, extension);
    if (!source.ok()) return false;
    if (mode == 1) return CopyFileUnlessSame(source.c_str(), target.c_str(), true, copied);
    const int there = Z_FileExists(target.c_str());
    if (there != 0) return there > 0;
    if (Z_CloneFile(source.c_str(), target.c_str()) == 0) return false;
    if (copied != nullptr) *copied = true;
    return true;
}

bool CopyPloLibrary(const char* targetDir, const char* sourceDir, bool* copied) {
    if (copied != nullptr) *copied = false;
    const int module = PackageHasPloModule(sourceDir);
    if (module <= 0) return module == 0;
    return CopySystemFile(targetDir, sourceDir, kPloLibrary, "", 1, copied);
}

bool CopyPloFiles(const char* targetDir, const char* sourceDir) {
    const int module = PackageHasPloModule(sourceDir);
    if (module <= 0) return module == 0;
    const FixedPath source = FixedPath::Directory(sourceDir).File("plo");
    const FixedPath target = FixedPath::Directory(targetDir).Parent().Sub("dict").File("plo");
    return source.ok() && target.ok() && Z_DuplicateDir(source.c_str(), target.c_str(), ShowCopyProgress, 0) != 0;
}

bool MigrateCfgFile(const char* configDir, const char* sourceDir, const char* oldName, const char* newName) {
    const FixedPath config = FixedPath::Directory(configDir);
    const FixedPath newPath = config.File(newName);
    const FixedPath oldPath = config.File(oldName);
    if (!newPath.ok() || !oldPath.ok()) return false;
    // A move an earlier run began is finished first.
    if (!FinishHalfMove(oldPath.c_str(), newPath.c_str())) return false;
    // A name the system cannot tell about fails the step: taken for missing,
    // the package's file would take the place of the home's own.
    const int haveNew = Z_FileExists(newPath.c_str());
    if (haveNew != 0) return haveNew > 0;
    const int haveOld = Z_FileExists(oldPath.c_str());
    if (haveOld != 0) return haveOld > 0 && Z_RenameFile(oldPath.c_str(), newPath.c_str()) != 0;
    return CopySystemFile(configDir, sourceDir, newName, "", 0);
}
