#include "home_paths.h"

#include <vector>

#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

// Compared in the file system's own characters, ASCII letters in any case.
bool SamePart(const fs::path& a, const fs::path& b) {
    const fs::path::string_type& x = a.native();
    const fs::path::string_type& y = b.native();
    if (x.size() != y.size()) return false;
    auto fold = [](fs::path::value_type c) {
        return c >= 'A' && c <= 'Z' ? static_cast<fs::path::value_type>(c - 'A' + 'a') : c;
    };
    for (size_t i = 0; i < x.size(); ++i) {
        if (fold(x[i]) != fold(y[i])) return false;
    }
    return true;
}

// The parts of a path without the empty part a trailing separator leaves.
std::vector<fs::path> Parts(const fs::path& path) {
    std::vector<fs::path> parts;
    for (const fs::path& part : path) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace

bool CheckPathArgument(const std::string& path, std::string* message) {
    if (Z_CheckPathText(path.c_str())) return true;
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    *message = text != nullptr ? text : path;
    return false;
}

std::string GenericText(const fs::path& path) {
    return DisplayText(fs::path(path.generic_string<fs::path::value_type>()));
}

fs::path AbsolutePath(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

std::string StoredDirectory(const fs::path& home, const std::string& described) {
    if (described.empty()) return described;
    fs::path path = PathFromText(described);
    if (path.is_absolute()) return DisplayText(path.make_preferred());
    return DisplayText((AbsolutePath(home) / path).lexically_normal().make_preferred());
}

std::string DescribedDirectory(const fs::path& home, const std::string& stored) {
    fs::path path = PathFromText(stored);
    if (stored.empty() || !path.is_absolute()) return stored;
    std::vector<fs::path> homeParts = Parts(AbsolutePath(home));
    std::vector<fs::path> parts = Parts(path.lexically_normal());
    if (parts.size() <= homeParts.size()) return stored;
    // Names compare without regard to case, as on the server's own system.
    for (size_t i = 0; i < homeParts.size(); ++i) {
        if (!SamePart(homeParts[i], parts[i])) return stored;
    }
    fs::path relative;
    for (size_t i = homeParts.size(); i < parts.size(); ++i) relative /= parts[i];
    return GenericText(relative);
}

}  // namespace zelhome
