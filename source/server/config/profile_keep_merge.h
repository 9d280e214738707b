// The profile merge of a home that the new release has run before: the
// installed PROFILE.INI already follows the template, and what the
// administrator set since is theirs to keep.
#pragma once

#include <string>

// The template's sections and items in the template's order, each item with
// the installed value where the installed section has the key (compared
// without regard to case; the last occurrence wins) and the template's value
// otherwise (IgnorePunct takes the value of its old name IgnoreSenPunct
// when only that is set); the installed items the template lacks follow at the end of
// their section, and the installed sections the template lacks follow at
// the end, line for line. *adds is set when an item or a section came from
// the template alone: without one, the installed file already says all of
// it and stays as it is.
std::string MergeProfileKeepingAll(const std::string& installed, const std::string& templateText, bool* adds);
