#include "home_paths.h"

#include <vector>

namespace zelhome {

namespace fs = std::filesystem;

namespace {

bool SamePart(const fs::path& a, const fs::path& b) {
    std::string x = a.string();
    std::string y = b.string();
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        char c = x[i] >= 'A' && x[i] <= 'Z' ? static_cast<char>(x[i] - 'A' + 'a') : x[i];
        char d = y[i] >= 'A' && y[i] <= 'Z' ? static_cast<char>(y[i] - 'A' + 'a') : y[i];
        if (c != d) return false;
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

fs::path AbsolutePath(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

std::string StoredDirectory(const fs::path& home, const std::string& described) {
    if (described.empty()) return described;
    fs::path path(described);
    if (path.is_absolute()) return path.make_preferred().string();
    return (AbsolutePath(home) / path).lexically_normal().make_preferred().string();
}

std::string DescribedDirectory(const fs::path& home, const std::string& stored) {
    fs::path path(stored);
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
    return relative.generic_string();
}

}  // namespace zelhome
