// The folders given to Z_AddFileRoot: the home of a run and its package.
// Paths beneath one are followed from the folder as it was opened then, so
// that nothing found inside (a link, a "..") leads a file operation out of
// it unless the link rule allows that link.
#pragma once

#include <cstdint>
#include <vector>

#include "path_lexical.h"

namespace zel::toolkit {

struct FileRoot {
    LexicalPath path;      // as it was given, made absolute
    intptr_t handle = -1;  // the folder as it was opened (the platform's descriptor or handle)
};

class RootList {
public:
    // The innermost root beneath which lexical lies (lexical is not the
    // root itself); null when there is none.
    const FileRoot* Beneath(const LexicalPath& lexical) const { return Innermost(lexical, false); }
    bool Has(const LexicalPath& lexical) const;
    void Add(FileRoot root) { roots_.push_back(std::move(root)); }
    // Hands every root's handle to close, and forgets them.
    template <class Close>
    void Clear(Close close) {
        for (const FileRoot& root : roots_) close(root.handle);
        roots_.clear();
    }

private:
    const FileRoot* Innermost(const LexicalPath& lexical, bool orSame) const;

    std::vector<FileRoot> roots_;
};

}  // namespace zel::toolkit
