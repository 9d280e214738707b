#include "package_check.h"

#include <string>

#include "package_manifest.h"
#include "zelkit.h"

void CheckPackage(const char* packageDir, CheckFindings* findings) {
    PackageCheck check;
    const std::string package = std::string("The package in ") + packageDir;
    if (!CheckPackageFiles(packageDir, &check)) {
        findings->blockers.push_back({package + " cannot be checked: " + Z_GetLastErrorPrompt(nullptr, 0),
                                      "mend what keeps the package from being read"});
        return;
    }
    for (const std::string& problem : check.problems) {
        findings->blockers.push_back({package + " is not whole: " + problem + ".",
                                      "unpack the whole release archive again (check it with its .sha256 file "
                                      "first) and run the upgrade from there"});
    }
    for (const std::string& name : check.skipped) {
        findings->notes.push_back("The package has no " + name + ": what the upgrade builds from it is left out.");
    }
}
