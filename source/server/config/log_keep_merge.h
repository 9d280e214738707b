// The LOG.INI merge of a home that the new release has run before: every
// setting the administrator has stays, whatever its name.
#pragma once

#include <string>

// The template's lines in the template's order; a setting line whose name
// the installed text sets (compared without regard to case) takes the
// installed value in the row layout (the name filled with blanks to 16
// characters, what followed the template's number kept), other lines stay
// as the template writes them. The installed setting lines whose names the
// template lacks follow at the end. As in the first merge, a 0 never
// overwrites an earlier value of the same name. *adds is set when a setting
// came from the template alone.
std::string MergeLogKeepingAll(const std::string& installed, const std::string& templateText, bool* adds);
