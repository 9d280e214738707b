// The paths a file journal names: relative to the folder it protects, names
// joined by "/".
#pragma once

#include <string>

#include "path_lexical.h"

namespace zel::toolkit {

// The path of a file relative to base; false when it does not lie beneath
// base or cannot stand in a journal.
bool RelativeTo(const LexicalPath& base, const std::string& path, std::string& relative);

// The path of a recorded file beneath base.
std::string Absolute(const LexicalPath& base, const std::string& relative);

}  // namespace zel::toolkit
