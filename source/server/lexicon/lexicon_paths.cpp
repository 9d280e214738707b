#include "server/lexicon/lexicon_paths.h"

#include <cstring>

#include "server/host/zelkit.h"
#include "server/update/upgrade_state.h"

namespace {

int StartPath(char* path, const char* base) {
    path[0] = '\0';
    if (std::strlen(base) >= static_cast<size_t>(Z_MAX_PATH)) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "The path is too long: %s", base);
        return 0;
    }
    std::memcpy(path, base, std::strlen(base) + 1);
    return 1;
}

}  // namespace

int BuildDictDirectory(char* path, const char* home) {
    return StartPath(path, home) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, "dict");
}

int BuildDictFilePath(char* path, const char* home, const char* name) {
    return BuildDictDirectory(path, home) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, name);
}

int BuildPackageFilePath(char* path, const char* name) {
    return StartPath(path, g_packageDir) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, name);
}
