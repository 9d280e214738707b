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

// The names beside a recorded file that the undo's own work takes: a saved
// file on its way back (a second name of SAVED.n, or a copy of it), a file
// parted from its other names before its pages go back, a move across
// volumes. An undo cut short between its two steps leaves one there.
constexpr const char* kUndoStagedSuffix = ".zel-undo";
constexpr const char* kUndoWorkSuffixes[] = {".zel-undo", ".zel-copy", ".zel-move"};

}  // namespace zel::toolkit
