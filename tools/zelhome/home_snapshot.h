// What `zelhome diff` compares: a home's dictionary and kernel state (as
// `dump` reads it) and the bytes of its other files.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "home_description.h"

namespace zelhome {

struct HomeSnapshot {
    std::string root;             // the home's absolute path, as a text
    bool dictionaryRead = false;  // false: the dictionary could not be read
    std::string dictionaryMessage;
    HomeDescription dictionary;
    // relative path with '/' -> FileDigest: a home's data may be large, so
    // files are compared by size and checksum, not held in memory.
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> texts;  // the system directory's .INI, .BAK and .CFG files, whole
};

// The size and a 64-bit FNV-1a checksum of a file's bytes, read in pieces;
// empty when the file cannot be read.
std::string FileDigest(const std::filesystem::path& path);

// Reads home; false with message when home is not a directory. A dictionary
// that cannot be read leaves dictionaryRead false and says why.
bool TakeSnapshot(const std::string& home, HomeSnapshot* snapshot, std::string* message);

// The nine dictionary files, which the dictionary sections report instead
// of the file sections.
bool IsDictionaryFile(const std::string& relativePath);

}  // namespace zelhome
