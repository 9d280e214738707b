#include "config_size.h"

#include "config_paths.h"
#include "zelkit.h"

namespace {

constexpr const char* kReadWhole[] = {"PROFILE.INI", "LOG.INI", "LOG.CFG", "CACHE.CFG", "NET.CFG"};

}  // namespace

bool CheckConfigFileSizes(const char* systemDir) {
    for (const char* name : kReadWhole) {
        char path[Z_MAX_PATH];
        if (!JoinConfigPath(path, systemDir, name)) return false;
        ZFileInfo info{};
        if (!Z_GetFileInfo(path, 0, &info)) return false;
        if (info.kind != Z_FILE_REGULAR || info.size <= kLargestConfigFile) continue;
        Z_SetLastErrorText(Z_ERROR_TOO_LONG,
                           "%s holds %llu bytes, more than the %llu bytes (16 MiB) any configuration file of the "
                           "server holds. Nothing was changed; make it smaller, or move it away, and run the upgrade "
                           "again.",
                           path, static_cast<unsigned long long>(info.size),
                           static_cast<unsigned long long>(kLargestConfigFile));
        return false;
    }
    return true;
}
