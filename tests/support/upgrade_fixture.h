// A scratch world for end-to-end runs of the real programs: a copy of the
// built package (so a test may change it), a home directory made by
// zelhome, and a service directory of its own.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zel::testing {

// Every file below root (relative path with '/' → bytes), but the logs of
// the runs: each run leaves one of its own, which is no part of what the
// upgrade makes of a home.
using DirectorySnapshot = std::map<std::string, std::string>;
DirectorySnapshot SnapshotDirectory(const std::filesystem::path& root);
// Whether a path relative to a home is a run's log, system/UPGRADE-*.LOG.
bool IsRunLog(const std::string& relativePath);
// The log or the report beside it (UPGRADE-<stamp>.json).
bool IsRunLogOrReport(const std::string& relativePath);
// -CHECK writes its log and its report and nothing else: true when the home
// holds exactly one log with its report beside it (or has no system folder
// to hold them), which go, so that what
// follows finds the home as the check found it.
bool TakeCheckLogAndReport(const std::filesystem::path& home);
// text with the name of every run's log (which holds its time) made the
// same, so that the output of two runs compares.
std::string MaskRunLogNames(const std::string& text);
// The logs of the runs on home, oldest name first.
std::vector<std::filesystem::path> RunLogs(const std::filesystem::path& home);
// Whether a path relative to a home is the bookkeeping every run keeps for
// itself: its log, its report (system/UPGRADE-*.json) or its lock.
bool IsRunBookkeeping(const std::string& relativePath);

// What says that a run touched a file without reading its bytes: for every
// file below root (relative path with '/'), its identity (volume and index:
// a file replaced by a copy of the same bytes is another file), modification
// time in nanoseconds and size; for every folder, the names it lists. The
// runs' bookkeeping is left out.
using FileStamps = std::map<std::string, std::string>;
FileStamps StampDirectory(const std::filesystem::path& root);

// Paths of the built programs, as the build passes them to the tests.
std::string BuiltUpgradeProgram();
std::string BuiltPackageDir();
std::string BuiltZelhome();

class UpgradeWorld {
public:
    // The package and the home (named homeName) lie in folder (a name, may
    // be empty) of the world's scratch directory.
    explicit UpgradeWorld(const std::filesystem::path& folder = {}, const std::filesystem::path& homeName = "home");

    const std::filesystem::path& Package() const { return package_; }
    const std::filesystem::path& Home() const { return home_; }
    const std::filesystem::path& Services() const { return services_; }
    std::string UpgradeProgram() const;

    // zelhome new HOME [description]; returns its result.
    ProgramResult MakeHome(const std::string& descriptionJson = "");
    ProgramResult DumpHome() const;
    // Runs the package's upgrade program with "DIR:<home>" first, then args.
    ProgramResult Upgrade(const std::vector<std::string>& args, const std::string& input = "") const;
    // Runs it with exactly these arguments.
    ProgramResult UpgradeRaw(const std::vector<std::string>& args, const std::string& input = "") const;
    std::string HomeArgument() const;
    // Writes the package's manifest again for the files it lists as they
    // are now, for a test that changes a package file on purpose (a listed
    // file that is gone stays listed as it was).
    void StampPackage() const;

private:
    ScratchDir scratch_;
    std::filesystem::path package_;
    std::filesystem::path home_;
    std::filesystem::path services_;
};

}  // namespace zel::testing
