// The PROFILE.INI and LOG.INI part of a home's difference: each key the
// merge carried, reset to the template's value, dropped or moved.
#pragma once

#include <string>
#include <vector>

namespace zelhome {

// One line per key, in the order of the files. before is empty when the
// home had no such file; templateText is empty when no package is known.
std::vector<std::string> DiffIniFile(const std::string& before, const std::string& after,
                                     const std::string& templateText);

}  // namespace zelhome
