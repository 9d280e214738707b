// A copied home's dictionary still names the original's database
// directories (they are stored absolute); an upgrade of the copy would
// write into the original. This points them at the copy.
#pragma once

#include <string>

namespace zelhome {

// Every database directory that lies inside original is moved to the same
// place inside copy, through the shell. False with message on a failure.
bool RetargetDirectories(const std::string& original, const std::string& copy, std::string* message);

}  // namespace zelhome
