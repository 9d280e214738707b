// Database directories: the description names them relative to the home
// when they lie inside it ("dict"), the dictionary holds them absolute.
#pragma once

#include <filesystem>
#include <string>

namespace zelhome {

// The directory as the dictionary stores it: relative ones are joined to
// home; empty stays empty (the kernel then uses HOME/dict).
std::string StoredDirectory(const std::filesystem::path& home, const std::string& described);

// The directory as the description shows it: relative to home with '/'
// when it lies inside home, otherwise as stored.
std::string DescribedDirectory(const std::filesystem::path& home, const std::string& stored);

// An absolute, normalised form of path.
std::filesystem::path AbsolutePath(const std::filesystem::path& path);

}  // namespace zelhome
