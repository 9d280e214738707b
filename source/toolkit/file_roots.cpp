#include "file_roots.h"

namespace zel::toolkit {
namespace {

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

}  // namespace

bool RootList::Has(const LexicalPath& lexical) const {
    for (const FileRoot& root : roots_) {
        if (root.path.Text() == lexical.Text()) return true;
    }
    return false;
}

const FileRoot* RootList::Innermost(const LexicalPath& lexical, bool orSame) const {
    const FileRoot* found = nullptr;
    for (const FileRoot& root : roots_) {
        if (Holds(root, lexical, orSame) && (found == nullptr || root.path.names.size() > found->path.names.size())) {
            found = &root;
        }
    }
    return found;
}

}  // namespace zel::toolkit
