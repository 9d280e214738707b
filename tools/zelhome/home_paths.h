// Database directories: the description names them relative to the home
// when they lie inside it ("dict"), the dictionary holds them absolute.
#pragma once

#include <filesystem>
#include <string>

#include "path_text.h"

namespace zelhome {

// zelhome's path texts (its arguments, the dictionary's directories, the
// texts handed to the shell and kernel) follow the toolkit's rule: the
// system code page on Windows. Paths cross to and from std::filesystem
// through these only.
using zel::toolkit::DisplayText;
using zel::toolkit::PathFromText;

// False, with the toolkit's reason, when a path given on the command line
// cannot be taken as it was given (on Windows: a character that the system
// code page cannot write).
bool CheckPathArgument(const std::string& path, std::string* message);

// The text of a path with '/' between its parts.
std::string GenericText(const std::filesystem::path& path);

// The directory as the dictionary stores it: relative ones are joined to
// home; empty stays empty (the kernel then uses HOME/dict).
std::string StoredDirectory(const std::filesystem::path& home, const std::string& described);

// The directory as the description shows it: relative to home with '/'
// when it lies inside home, otherwise as stored.
std::string DescribedDirectory(const std::filesystem::path& home, const std::string& stored);

// An absolute, normalised form of path.
std::filesystem::path AbsolutePath(const std::filesystem::path& path);

// A text would become a path by std::filesystem's own reading, which is not
// the code page's: these make such a call fail to compile.
std::string StoredDirectory(const std::string& home, const std::string& described) = delete;
std::string DescribedDirectory(const std::string& home, const std::string& stored) = delete;
std::filesystem::path AbsolutePath(const std::string& path) = delete;

}  // namespace zelhome
