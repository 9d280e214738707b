// `zelhome preview`: runs the package's upgrade program on a copy of a home
// and reports what it would change, leaving the home itself as it was.
#pragma once

#include <string>
#include <vector>

namespace zelhome {

// Exit status of a preview.
constexpr int PREVIEW_CLEAN = 0;    // the upgrade would finish cleanly
constexpr int PREVIEW_STOPS = 1;    // it would stop
constexpr int PREVIEW_ERRORS = 2;   // it would finish with errors
constexpr int PREVIEW_BLOCKED = 3;  // a blocker was found before running

struct PreviewRequest {
    std::string home;
    std::string packageDir;                // where the upgrade program and its files are
    std::vector<std::string> upgradeArgs;  // passed after "DIR:<copy>"
};

// Writes the report to report and returns the exit status.
int RunPreview(const PreviewRequest& request, std::string* report);

// The package beside a zelhome program: <its directory>/package.
std::string DefaultPackageDir(const std::string& zelhomeProgram);

}  // namespace zelhome
