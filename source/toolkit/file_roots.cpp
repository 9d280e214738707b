#include "file_roots.h"

#include <vector>

#include "toolkit_internal.h"

namespace zel::toolkit {
namespace {

std::vector<FileRoot>& Roots() {
    static std::vector<FileRoot> roots;
    return roots;
}

// Whether lexical lies in root (or is it, with orSame).
bool Holds(const FileRoot& root, const LexicalPath& lexical, bool orSame) {
    const LexicalPath& base = root.path;
    if (!SameName(base.start, lexical.start)) return false;
    if (lexical.names.size() < base.names.size() + (orSame ? 0 : 1)) return false;
    for (size_t i = 0; i < base.names.size(); ++i) {
        if (!SameName(base.names[i], lexical.names[i])) return false;
    }
    return true;
}

const FileRoot* Innermost(const LexicalPath& lexical, bool orSame) {
    const FileRoot* found = nullptr;
    for (const FileRoot& root : Roots()) {
        if (Holds(root, lexical, orSame) && (found == nullptr || root.path.names.size() > found->path.names.size())) {
            found = &root;
        }
    }
    return found;
}

}  // namespace

const FileRoot* RootBeneath(const LexicalPath& lexical) { return Innermost(lexical, false); }

const FileRoot* RootHolding(const LexicalPath& lexical) { return Innermost(lexical, true); }

bool AddRoot(const std::string& directory, Problem& problem) {
    FileRoot root;
    if (!MakeLexical(directory, root.path)) {
        problem = Problem{Z_ERROR_IO, "the current directory cannot be read"};
        return false;
    }
    for (const FileRoot& known : Roots()) {
        if (known.path.Text() == root.path.Text()) return true;
    }
    if (!PlatformOpenRoot(root.path.Text().c_str(), &root.handle, root.facts, problem)) return false;
    Roots().push_back(root);
    return true;
}

void ClearRoots() {
    for (const FileRoot& root : Roots()) PlatformCloseRoot(root.handle);
    Roots().clear();
}

}  // namespace zel::toolkit
