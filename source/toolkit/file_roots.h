// The folders given to Z_AddFileRoot: the home of a run and its package.
// Paths beneath one are followed from the folder as it was opened then, so
// that nothing found inside (a link, a "..") leads a file operation out of
// it unless the link rule allows that link.
#pragma once

#include <cstdint>
#include <string>

#include "path_lexical.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

struct FileRoot {
    LexicalPath path;       // as it was given, made absolute
    intptr_t handle = -1;   // the folder as it was opened (the platform's)
    FileFacts facts;        // its identity
};

// The innermost root beneath which lexical lies (lexical is not the root
// itself); null when there is none.
const FileRoot* RootBeneath(const LexicalPath& lexical);
// The innermost root that holds lexical or is lexical itself.
const FileRoot* RootHolding(const LexicalPath& lexical);

bool AddRoot(const std::string& directory, Problem& problem);
void ClearRoots();

}  // namespace zel::toolkit
