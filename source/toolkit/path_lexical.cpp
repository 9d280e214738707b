#include "path_lexical.h"

#include <filesystem>
#include <system_error>

#include "path_text.h"
#include "toolkit_internal.h"
#include "zelkit.h"

namespace zel::toolkit {
namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// The names of text from offset on, split at separators found character by
// character (the second byte of a double-byte character may equal '\').
void AddNames(const std::string& text, size_t offset, std::vector<std::string>& names) {
    std::string name;
    auto take = [&] {
        if (name.empty() || name == ".") {
        } else if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else {
            names.push_back(name);
        }
        name.clear();
    };
    for (size_t at = offset; at < text.size(); ++at) {
        if (IsLeadByte(text[at]) && at + 1 < text.size()) {
            name += text[at];
            name += text[++at];
            continue;
        }
        if (IsSeparator(text[at])) {
            take();
        } else {
            name += text[at];
        }
    }
    take();
}

// Where the names of an absolute path begin, and its start in the platform's
// spelling; 0 when the path is relative.
size_t StartOf(const std::string& text, std::string& start) {
#ifdef _WIN32
    if (text.size() >= 4 && text.compare(0, 4, "\\\\?\\") == 0) {
        std::string inner;
        const size_t length = StartOf(text.substr(4), inner);
        if (length == 0) return 0;
        start = "\\\\?\\" + inner;
        return length + 4;
    }
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        // \\server\share\ is the start of a network path.
        std::vector<std::string> parts;
        size_t at = 2;
        for (int part = 0; part < 2 && at <= text.size(); ++part) {
            size_t end = at;
            while (end < text.size() && !IsSeparator(text[end])) end += IsLeadByte(text[end]) ? 2u : 1u;
            parts.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        if (parts.size() != 2 || parts[0].empty() || parts[1].empty()) return 0;
        start = "\\\\" + parts[0] + "\\" + parts[1] + "\\";
        return at > text.size() ? text.size() : at;
    }
    if (text.size() >= 3 && text[1] == ':' && IsSeparator(text[2])) {
        start = text.substr(0, 2) + "\\";
        return 3;
    }
    return 0;
#else
    if (text.empty() || text[0] != '/') return 0;
    // A fill, not a copy from a literal: GCC 12 at -O3 sees an overlapping
    // copy in assigning a literal to a string passed by reference.
    start.assign(1, '/');
    return 1;
#endif
}

}  // namespace

std::string LexicalPath::Text() const { return Prefix(names.size()); }

std::string LexicalPath::Prefix(size_t count) const {
    std::string text = start;
    for (size_t i = 0; i < count && i < names.size(); ++i) {
        if (i > 0) text += Z_PATH_SEPARATOR;
        text += names[i];
    }
    return text;
}

bool MakeLexical(const std::string& path, LexicalPath& lexical) {
    lexical = LexicalPath{};
    size_t offset = StartOf(path, lexical.start);
    if (offset == 0) {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        std::string text;
        if (error || !TextFromPath(current, text)) return false;
#ifdef _WIN32
        // "C:name" and "\name" lean on a drive's own current directory; both
        // are taken against the current directory's drive.
        if (path.size() >= 2 && path[1] == ':') return false;
        if (!path.empty() && IsSeparator(path[0])) {
            std::string drive;
            if (StartOf(text, drive) == 0) return false;
            lexical.start = drive;
            AddNames(path, 1, lexical.names);
            return true;
        }
#endif
        const size_t currentOffset = StartOf(text, lexical.start);
        if (currentOffset == 0) return false;
        AddNames(text, currentOffset, lexical.names);
    }
    AddNames(path, offset, lexical.names);
    return true;
}

size_t NameStart(const std::string& path) {
    size_t start = 0;
    for (size_t at = 0; at < path.size(); ++at) {
        if (IsLeadByte(path[at]) && at + 1 < path.size()) {
            ++at;
            continue;
        }
        if (IsSeparator(path[at])) start = at + 1;
#ifdef _WIN32
        if (path[at] == ':') start = at + 1;
#endif
    }
    return start;
}

Split SplitLast(const std::string& path) {
    Split split;
    size_t start = 0;
    size_t separator = std::string::npos;
    for (size_t at = 0; at < path.size(); ++at) {
        if (IsLeadByte(path[at]) && at + 1 < path.size()) {
            ++at;
            continue;
        }
        if (IsSeparator(path[at])) {
            separator = at;
            start = at + 1;
        }
    }
    split.name = path.substr(start);
    if (separator == std::string::npos) return split;
    // A start ("/", "C:\", "\\server\share\") keeps its separator.
    std::string root;
    const size_t rootLength = StartOf(path, root);
    split.folder = path.substr(0, rootLength != 0 && separator < rootLength ? rootLength : separator);
    return split;
}

std::string JoinName(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (EndsWithPathSeparator(folder)) return folder + name;
    return folder + Z_PATH_SEPARATOR + name;
}

bool EndsWithPathSeparator(const std::string& text) {
    size_t last = std::string::npos;
    for (size_t at = 0; at < text.size(); at += IsLeadByte(text[at]) && at + 1 < text.size() ? 2u : 1u) last = at;
    return last != std::string::npos && IsSeparator(text[last]);
}

bool IsAbsolutePath(const std::string& path) {
    std::string start;
    return StartOf(path, start) != 0;
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (size_t at = 0; at < name.size(); ++at) {
        if (IsLeadByte(name[at]) && at + 1 < name.size()) {
            ++at;
            continue;
        }
        if (IsSeparator(name[at]) || name[at] == '\0') return false;
#ifdef _WIN32
        if (name[at] == ':') return false;
#endif
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
#ifdef _WIN32
    return EqualIgnoringCase(a, b);
#else
    return a == b;
#endif
}

bool LiesBeneath(const std::string& relative, const std::string& folder) {
    return !folder.empty() && relative.size() > folder.size() &&
           SameName(relative.substr(0, folder.size()), folder) && relative[folder.size()] == '/';
}

}  // namespace zel::toolkit
