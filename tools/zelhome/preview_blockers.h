// What would stop an upgrade of a home before it starts, all of it found in
// one pass so an administrator can mend everything before the downtime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelhome {

std::vector<std::string> FindBlockers(const std::string& home, const std::string& packageDir);

// Room the upgrade needs on the home's volume: the package files it copies,
// and twice the dictionary files and the package's lexicon sources for the
// rewritten dictionary files and the lexicons it builds.
uintmax_t SpaceNeeded(const std::string& home, const std::string& packageDir);

}  // namespace zelhome
