#include "home_snapshot.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dict_files.h"
#include "home_paths.h"
#include "home_reader.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

bool ReadBytes(const fs::path& path, std::string* bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    *bytes = text.str();
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The files whose keys the report compares: small texts of the system directory.
bool IsConfigurationFile(const std::string& relative) {
    if (relative.rfind("system/", 0) != 0 || relative.find('/', 7) != std::string::npos) return false;
    return EndsWith(relative, ".INI") || EndsWith(relative, ".BAK") || EndsWith(relative, ".CFG");
}

// The log each upgrade run leaves (system/UPGRADE-<date-time>.LOG), and
// its report beside it (.json), are the administrator's record of the run,
// not part of what the run makes of the home: every run writes another, so
// no two homes would compare alike.
bool IsRunLog(const std::string& relative) {
    const std::string prefix = "system/UPGRADE-";
    return relative.rfind(prefix, 0) == 0 && relative.find('/', prefix.size()) == std::string::npos &&
           (EndsWith(relative, ".LOG") || EndsWith(relative, ".json"));
}

}  // namespace

std::string FileDigest(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "";
    uint64_t hash = 14695981039346656037ULL;
    uint64_t size = 0;
    char buffer[65536];
    while (file) {
        file.read(buffer, sizeof buffer);
        const std::streamsize got = file.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 1099511628211ULL;
        }
        size += static_cast<uint64_t>(got);
    }
    if (file.bad()) return "";
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%016llx", static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(hash));
    return text;
}

bool IsDictionaryFile(const std::string& relativePath) {
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        if (relativePath == std::string("system/") + zel::shell::DICT_FILE_NAMES[index]) return true;
    }
    return false;
}

bool TakeSnapshot(const std::string& home, HomeSnapshot* snapshot, std::string* message) {
    std::error_code error;
    const fs::path root = PathFromText(home);
    if (!fs::is_directory(root, error)) {
        *message = home + " is not a directory";
        return false;
    }
    snapshot->root = DisplayText(AbsolutePath(root));
    fs::recursive_directory_iterator it(root, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string relative = GenericText(fs::relative(it->path(), root));
        if (IsRunLog(relative)) continue;
        // Read through a link only where the upgrade would: a link the link
        // rule refuses may name any file of the machine.
        if (it->is_symlink(error)) {
            ZFileInfo info{};
            if (!Z_GetFileInfo(DisplayText(it->path()).c_str(), 0, &info)) {
                snapshot->files[relative] = "a link the upgrade does not follow";
                continue;
            }
        }
        if (!it->is_regular_file(error)) continue;
        const std::string digest = FileDigest(it->path());
        if (digest.empty()) {
            *message = DisplayText(it->path()) + ": cannot be read";
            return false;
        }
        snapshot->files[relative] = digest;
        std::string bytes;
        if (IsConfigurationFile(relative) && ReadBytes(it->path(), &bytes)) snapshot->texts[relative] = bytes;
    }
    if (error) {
        *message = home + ": cannot be listed: " + error.message();
        return false;
    }
    try {
        snapshot->dictionaryRead = ReadHome(home, &snapshot->dictionary, &snapshot->dictionaryMessage);
    } catch (const DescriptionError& refused) {
        snapshot->dictionaryRead = false;
        snapshot->dictionaryMessage = refused.what();
    }
    return true;
}

}  // namespace zelhome
