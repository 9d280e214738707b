#include "dictionary_paths.h"

#include <cstdio>
#include <cstring>

#include "zelkit.h"

bool BuildDirPath(char* path, const char* dir, const char* first, const char* second) {
    if (std::strlen(dir) >= static_cast<size_t>(Z_MAX_PATH)) {
        path[0] = '\0';
        Z_CaptureError(Z_ERROR_TOO_LONG, "The directory path is too long", "..\\..\\source\\server\\dictionary",
                       __LINE__);
        return false;
    }
    std::snprintf(path, Z_MAX_PATH, "%s", dir);
    if (!Z_AppendSubdirSymbol(path, 0) || !Z_AppendPath(path, first)) return false;
    if (second == nullptr) return true;
    return Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, second);
}
