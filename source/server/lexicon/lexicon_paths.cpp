#include "lexicon_paths.h"

#include <cstring>

#include "zelkit.h"

namespace {

bool StartPath(char* path, const char* base) {
    path[0] = '\0';
    if (std::strlen(base) >= static_cast<size_t>(Z_MAX_PATH)) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "The path is too long: %s", base);
        return false;
    }
    std::memcpy(path, base, std::strlen(base) + 1);
    return true;
}

}  // namespace

bool BuildDictDirectory(char* path, const char* home) {
    return StartPath(path, home) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, "dict");
}

bool BuildDictFilePath(char* path, const char* home, const char* name) {
    return BuildDictDirectory(path, home) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, name);
}

bool BuildPackageFilePath(char* path, const char* packageDir, const char* name) {
    return StartPath(path, packageDir) && Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, name);
}
