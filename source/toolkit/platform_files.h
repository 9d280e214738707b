// The system's own table of file operations (file_system_posix.cpp,
// file_system_win32.cpp), the one at the bottom of every stack: each
// operation walks its path by the link rule (walk.h) from the roots it
// holds, then makes its one system call on the place it found.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>

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

    // The files this process made (CreateOnly) that have not taken their
    // final name since, by identity: only such a work file moves over a
    // target (durable_files.h). A name removed or replaced here forgets
    // the file it held, so that an identity the system gives again to
    // another file is never taken for one made here.
    void NoteMade(const Facts& facts) { made_.insert({facts.volume, facts.index}); }
    bool WasMade(const Facts& facts) const { return made_.count({facts.volume, facts.index}) != 0; }
    void ForgetMade(const Facts& facts) { made_.erase({facts.volume, facts.index}); }

protected:
    virtual Result<intptr_t> OpenRoot(const Path& directory) = 0;
    virtual void CloseRoot(intptr_t handle) = 0;
    bool MadeAny() const { return !made_.empty(); }

    RootList roots_;

private:
    std::set<std::pair<uint64_t, uint64_t>> made_;
};

std::unique_ptr<PlatformFileSystem> MakePlatformFileSystem();

}  // namespace zel::toolkit
