// The files of a package that an upgrade copies into the home's bin
// directory or reads as templates, relative to the package directory.
#pragma once

#include <string>
#include <vector>

namespace zelhome {

std::vector<std::string> PackageCopyList();

}  // namespace zelhome
