// `zelhome diff`: what changed between two homes, as plain text with one
// change a line under fixed headings, in a stable order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "home_snapshot.h"

namespace zelhome {

struct PackageFiles {
    std::map<std::string, std::vector<std::string>> byName;  // file name -> FileDigest of each package file so named
    std::string profileTemplate;                             // PROFILE.INI of the package, empty when unknown
    std::string logTemplate;                                 // LOG.INI of the package
};

// Reads what the report needs of a package directory; missing files stay empty.
PackageFiles ReadPackageFiles(const std::string& packageDir);

// Paths inside a home are shown as "HOME/...", so that the report of two
// copies of one home is the same wherever they lie.
std::string ReportHomeDiff(const HomeSnapshot& before, const HomeSnapshot& after, const PackageFiles& package);

// The text with every mention of root given as "HOME".
std::string WithHomeName(const std::string& text, const std::string& root);

}  // namespace zelhome
