// Links to folders, made the way this platform lets a test make them.
#pragma once

#include <filesystem>
#include <string>

namespace zel::testing {

// Makes link a link to the folder target: a symbolic link off Windows; a
// junction on Windows; under Wine, which makes no links of its own (Wine 8's
// CreateSymbolicLinkW succeeds and makes nothing), a symbolic link of the
// host, which Wine shows as a reparse point. False with the reason in why.
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target, std::string* why);

// Removes the link itself, never what it names.
bool RemoveFolderLink(const std::filesystem::path& link, std::string* why);

}  // namespace zel::testing
