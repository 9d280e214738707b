#include "home_snapshot.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "home_paths.h"
#include "home_reader.h"
#include "shell/dict_files.h"

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

}  // namespace

bool IsDictionaryFile(const std::string& relativePath) {
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        if (relativePath == std::string("system/") + zel::shell::DICT_FILE_NAMES[index]) return true;
    }
    return false;
}

bool TakeSnapshot(const std::string& home, HomeSnapshot* snapshot, std::string* message) {
    std::error_code error;
    if (!fs::is_directory(home, error)) {
        *message = home + " is not a directory";
        return false;
    }
    snapshot->root = AbsolutePath(home).string();
    fs::recursive_directory_iterator it(home, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        std::string bytes;
        if (!ReadBytes(it->path(), &bytes)) {
            *message = it->path().string() + ": cannot be read";
            return false;
        }
        snapshot->files[fs::relative(it->path(), home).generic_string()] = bytes;
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
