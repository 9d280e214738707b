// The package's manifest, package.manifest beside the upgrade program: a
// line "<SHA-256> <size> <name>" for each file the build laid out for the
// upgrade to copy or read, names relative to the package with '/' between
// folders. Checked whole before the first change, so that a package
// unpacked in part or damaged on its way stops the run while nothing has
// been touched, instead of failing one copy half-way.
#pragma once

#include <string>
#include <vector>

constexpr const char* PACKAGE_MANIFEST_NAME = "package.manifest";

// The files every run copies or may read from the package: the server's
// programs and libraries, the release notes, the console program of each
// character set and the configuration templates. The lexicon and relation
// sources are not among them: a run leaves out what it cannot build from a
// source the package lacks.
const std::vector<std::string>& PackageFilesNeeded();

struct PackageCheck {
    // What makes the package unfit, one text each ("zemload.exe is missing").
    std::vector<std::string> problems;
    // Files the manifest lists but the run can do without, missing here:
    // what the run would build from them is left out.
    std::vector<std::string> skipped;
};

// Reads the manifest and checks every file it lists, by size and SHA-256,
// and that it lists every file the run needs. False (the toolkit's last
// error set) when the manifest cannot be read at all; a manifest that is
// missing or damaged is a problem of the package, not a failure.
bool CheckPackageFiles(const char* packageDir, PackageCheck* check);
