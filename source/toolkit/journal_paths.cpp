#include "journal_paths.h"

#include "journal_record.h"
#include "path_text.h"
#include "zelkit.h"

namespace zel::toolkit {

bool RelativeTo(const LexicalPath& base, const std::string& path, std::string& relative) {
    LexicalPath lexical;
    if (!MakeLexical(path, lexical) || !SameName(lexical.start, base.start) ||
        lexical.names.size() <= base.names.size()) {
        return false;
    }
    relative.clear();
    for (size_t i = 0; i < lexical.names.size(); ++i) {
        if (i < base.names.size()) {
            if (!SameName(lexical.names[i], base.names[i])) return false;
            continue;
        }
        if (!relative.empty()) relative += '/';
        relative += lexical.names[i];
    }
    return IsJournalPath(relative);
}

std::string Absolute(const LexicalPath& base, const std::string& relative) {
    std::string path = base.Text();
    size_t start = 0;
    for (;;) {
        const size_t slash = relative.find('/', start);
        path = JoinName(path, relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return path;
        start = slash + 1;
    }
}

}  // namespace zel::toolkit
