#include "server/dictionary/dictionary_paths.h"

#include <cstdio>
#include <cstring>

#include "server/host/zelkit.h"

int BuildDirPath(char* path, const char* dir, const char* first, const char* second) {
    if (std::strlen(dir) >= static_cast<size_t>(Z_MAX_PATH)) {
        path[0] = '\0';
        Z_CaptureError(Z_ERROR_TOO_LONG, "The directory path is too long", "..\\..\\source\\server\\dictionary",
                       __LINE__);
        return 0;
    }
    std::snprintf(path, Z_MAX_PATH, "%s", dir);
    if (!Z_AppendSubdirSymbol(path, 0) || !Z_AppendPath(path, first)) return 0;
    if (second == nullptr) return 1;
    return Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, second) ? 1 : 0;
}
