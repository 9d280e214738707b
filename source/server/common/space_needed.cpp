#include "space_needed.h"

#include "fixed_path.h"
#include "zelkit.h"

namespace {

constexpr int kPackageDepth = 1;  // the console programs lie in a folder per character set
constexpr int kLexiconDepth = 4;

// A folder that is not there holds nothing.
bool AddFolder(const FixedPath& folder, const char* wildcard, int depth, uint64_t factor, uint64_t* total) {
    if (!folder.ok()) return false;
    const int there = Z_DirExists(folder.c_str());
    if (there <= 0) return there == 0;
    uint64_t bytes = 0;
    if (!Z_GetFolderSize(folder.c_str(), wildcard, depth, &bytes)) return false;
    *total += factor * bytes;
    return true;
}

}  // namespace

bool EstimateUpgradeSpace(const char* home, const char* packageDir, bool modifyLexicons, uint64_t* needed) {
    *needed = 0;
    const FixedPath homeDir = FixedPath::Directory(home);
    return AddFolder(FixedPath::Directory(packageDir), "*", kPackageDepth, 1, needed) &&
           AddFolder(homeDir.Sub("system"), "*.DIC", 0, 2, needed) &&
           (!modifyLexicons || AddFolder(homeDir.Sub("dict"), "*", kLexiconDepth, 1, needed));
}
