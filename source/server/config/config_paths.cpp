#include "config_paths.h"

#include <cstdio>

bool JoinConfigPath(char* path, const char* first, const char* second, const char* third) {
    int length = std::snprintf(path, Z_MAX_PATH, "%s%s%s", first, second, third);
    if (length < 0 || length >= Z_MAX_PATH) {
        path[0] = '\0';
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "Path too long: %s%s%s", first, second, third);
        return false;
    }
    return true;
}

bool SystemDirFromBinDir(char* path, const char* binDir) {
    char home[Z_MAX_PATH];
    if (!JoinConfigPath(home, binDir, "")) return false;
    // The separators are found as the code page writes them: in code page
    // 936 a backslash may be the second byte of a character.
    Z_DeappendSubdirSymbol(home);
    home[Z_GetFileNamePathLength(home)] = '\0';
    char system[8];
    std::snprintf(system, sizeof(system), "system%c", Z_PATH_SEPARATOR);
    return JoinConfigPath(path, home, system);
}
