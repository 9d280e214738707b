// A file of the home or the package opened to read, closed when it goes.
#pragma once

#include "zelkit.h"

struct OpenReadFile {
    HZFILE handle = nullptr;
    explicit OpenReadFile(const char* path) : handle(Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0)) {}
    OpenReadFile(const OpenReadFile&) = delete;
    OpenReadFile& operator=(const OpenReadFile&) = delete;
    ~OpenReadFile() {
        // Opened to read: its close loses nothing.
        if (handle != nullptr) Z_CloseFile(handle);
    }
};
