// The system's own table of file operations (file_system_posix.cpp,
// file_system_win32.cpp), the one at the bottom of every stack: each
// operation walks its path by the link rule (walk.h) from the roots it
// holds, then makes its one system call on the place it found.
#pragma once

#include <cstdint>
#include <memory>

#include "file_roots.h"
#include "file_system.h"

namespace zel::toolkit {

class PlatformFileSystem : public FileSystem {
public:
    // Opens a folder as a root, following what its path names (the path
    // was given by the administrator); a root given twice is one.
    Status AddRoot(const Path& directory);
    void ClearRoots();
    const RootList& Roots() const { return roots_; }

protected:
    virtual Result<intptr_t> OpenRoot(const Path& directory) = 0;
    virtual void CloseRoot(intptr_t handle) = 0;

    RootList roots_;
};

std::unique_ptr<PlatformFileSystem> MakePlatformFileSystem();

}  // namespace zel::toolkit
