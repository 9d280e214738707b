// What would stop an upgrade of a home before it starts, all of it found in
// one pass so an administrator can mend everything before the downtime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelhome {

// The upgrade's own checks before its first change, and what only a
// preview looks at (files the upgrade could not write). modifyLexicons:
// "DIC:" is among the upgrade's arguments. *notes receives what the checks
// note without stopping (a lexicon source the package lacks).
std::vector<std::string> FindBlockers(const std::string& home, const std::string& packageDir, bool modifyLexicons,
                                      std::vector<std::string>* notes);

// Room the upgrade needs on the home's volume, as the upgrade itself reckons
// it before its first change; 0 when it cannot be reckoned.
uintmax_t SpaceNeeded(const std::string& home, const std::string& packageDir, bool modifyLexicons);

// Whether the upgrade's arguments ask for lexicons to be modified ("DIC:").
bool ModifiesLexicons(const std::vector<std::string>& upgradeArgs);

}  // namespace zelhome
