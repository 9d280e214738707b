// A new version of a dictionary file, written in full beside it and then
// moved over it in one step, so that a failure at any point leaves the file
// exactly as it was.
#pragma once

#include <cstdint>

#include "server/host/zelkit.h"

class DictFileRewrite {
public:
    DictFileRewrite() = default;
    DictFileRewrite(const DictFileRewrite&) = delete;
    DictFileRewrite& operator=(const DictFileRewrite&) = delete;
    // Removes the unfinished new version unless Commit succeeded.
    ~DictFileRewrite();

    // Creates the new version of path (path with ".NEW" appended).
    int Begin(const char* path);
    // Appends size bytes; 0 unless all were written.
    int Write(const void* data, uint64_t size);
    // Appends what is left of source, from its current position to its end.
    int CopyRest(HZFILE source);
    // Moves the new version over the file. The file must be closed by then,
    // since an open file cannot be replaced on every platform.
    int Commit();

private:
    char target_[Z_MAX_PATH] = {};
    char temporary_[Z_MAX_PATH] = {};
    HZFILE file_ = nullptr;
    bool committed_ = false;
};
