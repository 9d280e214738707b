// A new version of a dictionary file, written in full beside it and then
// moved over it in one step, so that a failure at any point leaves the file
// exactly as it was.
#pragma once

#include <cstdint>

#include "zelkit.h"

class DictFileRewrite {
public:
    DictFileRewrite() = default;
    DictFileRewrite(const DictFileRewrite&) = delete;
    DictFileRewrite& operator=(const DictFileRewrite&) = delete;
    // Removes the unfinished new version unless Commit succeeded.
    ~DictFileRewrite();

    // Creates the new version of path (path with ".NEW" appended).
    bool Begin(const char* path);
    // Appends size bytes; false unless all were written.
    bool Write(const void* data, uint64_t size);
    // Appends what is left of source, from its current position to its end.
    bool CopyRest(HZFILE source);
    // Moves the new version over the file. The file must be closed by then,
    // since an open file cannot be replaced on every platform.
    bool Commit();

private:
    char target_[Z_MAX_PATH] = {};
    char temporary_[Z_MAX_PATH] = {};
    HZFILE file_ = nullptr;
    bool committed_ = false;
};
