#include "preview.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

#include "home_copy.h"
#include "home_diff.h"
#include "home_lock.h"
#include "home_paths.h"
#include "home_retarget.h"
#include "home_snapshot.h"
#include "preview_blockers.h"
#include "preview_run.h"
#include "preview_services.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

// As deep as the copy of the home goes.
constexpr int kCopyDepth = 16;

// A scratch directory of its own, removed when the preview ends. It is
// private (the user running the preview alone, and on Windows the
// Administrators and the system): the copy of the home and the upgrade's
// output in it may hold what only that user may read.
class Scratch {
public:
    Scratch() {
        std::error_code error;
        const fs::path temp = fs::temp_directory_path(error);
        std::random_device device;
        std::mt19937_64 random(device() ^
                               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
            fs::path candidate = temp / ("zelhome-preview-" + std::to_string(random() % 1000000000ULL));
            // A name taken (by anyone) is passed over; a private folder that
            // is there already must be this user's own, or it is refused.
            if (fs::exists(fs::symlink_status(candidate, error))) continue;
            if (Z_CreateDir(DisplayText(candidate).c_str(), Z_OWN_FILE)) root_ = candidate;
        }
    }
    ~Scratch() {
        if (root_.empty()) return;
        std::error_code error;
        // A read-only copy could not be removed otherwise.
        for (fs::recursive_directory_iterator it(root_, error), end; !error && it != end; it.increment(error)) {
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, error);
        }
        fs::remove_all(root_, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Root() const { return root_; }

private:
    fs::path root_;
};

std::string UpgradeProgram(const std::string& packageDir) {
    std::error_code error;
    const fs::path windows = PathFromText(packageDir) / "upgrade.exe";
    if (fs::is_regular_file(windows, error)) return DisplayText(windows);
    return DisplayText(PathFromText(packageDir) / "upgrade");
}

std::string Lines(const std::string& heading, const std::vector<std::string>& lines) {
    std::string text = "== " + heading + " ==\n";
    if (lines.empty()) text += "(no change)\n";
    for (const std::string& line : lines) text += line + "\n";
    return text + "\n";
}

std::string Outcome(const RunResult& run, int status) {
    std::string text = "exit status " + std::to_string(run.exitCode) + ": ";
    switch (status) {
        case PREVIEW_CLEAN: text += "the upgrade would finish cleanly"; break;
        case PREVIEW_ERRORS: text += "the upgrade would finish with errors"; break;
        default: text += "the upgrade would stop"; break;
    }
    text += "\n";
    // Preview gives the upgrade no input: a question stops it at the end of input.
    if (status == PREVIEW_STOPS && run.output.find("end of input") != std::string::npos) {
        text += "a question was not answered on the command line\n";
    }
    return text;
}

// While the report is made: what takes long, on the error stream, so that
// the report itself stays as it is.
void Progress(const std::string& step) {
    std::fprintf(stderr, "%s\n", step.c_str());
    std::fflush(stderr);
}

// The run's log was written in the copy, which goes with the preview: the
// lines naming it would point at nothing.
std::string WithoutLogLines(const std::string& output) {
    std::string kept;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        end = end == std::string::npos ? output.size() : end + 1;
        const std::string line = output.substr(start, end - start);
        if (line.find("The log of this run: ") == std::string::npos) kept += line;
        start = end;
    }
    return kept;
}

std::string CopySpaceBlocker(const std::string& home, const std::string& packageDir, bool modifyLexicons,
                             const fs::path& scratch) {
    uint64_t homeBytes = 0;
    if (!Z_GetFolderSize(home.c_str(), "*", kCopyDepth, &homeBytes)) {
        return std::string("the size of the home cannot be read: ") + Z_GetLastErrorPrompt(nullptr, 0);
    }
    std::error_code error;
    const fs::space_info space = fs::space(scratch, error);
    if (error) return "the free space of the temporary folder cannot be read: " + error.message();
    const uintmax_t needed = homeBytes + SpaceNeeded(home, packageDir, modifyLexicons);
    if (space.available >= needed) return "";
    return "not enough free space in the temporary folder for the copy of the home and its upgrade: " +
           std::to_string(needed) + " bytes needed, " + std::to_string(space.available) + " bytes free";
}

int StatusOf(const RunResult& run) {
    if (!run.started) return PREVIEW_STOPS;
    if (run.exitCode == 0) return PREVIEW_CLEAN;
    if (run.exitCode == 2) return PREVIEW_ERRORS;
    return PREVIEW_STOPS;
}

int Blocked(const std::vector<std::string>& blockers, std::string* report) {
    *report += Lines("Blockers", blockers);
    *report += "The upgrade was not run.\n";
    return PREVIEW_BLOCKED;
}

}  // namespace

// zelhome ships in the package, beside the upgrade program: its own folder
// is the package then. In a build tree it also lies above the package.
std::string DefaultPackageDir(const std::string& zelhomeProgram) {
    const fs::path folder = AbsolutePath(PathFromText(zelhomeProgram)).parent_path();
    std::error_code error;
    if (fs::is_regular_file(PathFromText(UpgradeProgram(DisplayText(folder))), error)) return DisplayText(folder);
    return DisplayText(folder / "package");
}

int RunPreview(const PreviewRequest& request, std::string* report) {
    const std::string home = DisplayText(AbsolutePath(PathFromText(request.home)));
    const std::string packageDir = DisplayText(AbsolutePath(PathFromText(request.packageDir)));
    *report = "Preview of the upgrade of HOME = " + home + "\nPackage: " + packageDir + "\n\n";

    const int system = Z_DirExists(DisplayText(PathFromText(home) / "system").c_str());
    if (system < 0) return Blocked({home + " cannot be read: " + Z_GetLastErrorPrompt(nullptr, 0)}, report);
    if (system == 0) return Blocked({home + " is not a home directory: it has no system directory"}, report);
    Scratch scratch;
    if (scratch.Root().empty()) return Blocked({"no scratch directory can be made in the temporary directory"}, report);
    std::string scratchText;
    if (!zel::toolkit::TextFromPath(scratch.Root(), scratchText)) {
        return Blocked({"the system code page cannot write the temporary directory's name " + scratchText}, report);
    }
    const std::string copy = DisplayText(scratch.Root() / "home");

    std::vector<std::string> blockers;
    // The home is followed as the upgrade follows it: from the folder as
    // opened, links by the link rule.
    Z_AddFileRoot(home.c_str());
    // Held until the copy is made: no upgrade starts on the home meanwhile.
    const HomeReadLock lock(home);
    if (lock.UpgradeRunning()) blockers.push_back(UpgradeRunningMessage(home));
    const std::string program = UpgradeProgram(packageDir);
    const int programThere = Z_FileExists(program.c_str());
    if (programThere < 0) blockers.push_back(std::string("the upgrade program: ") + Z_GetLastErrorPrompt(nullptr, 0));
    if (programThere == 0) blockers.push_back("the upgrade program is missing: " + program);
    ServicePlan services;
    std::string message;
    if (!PlanServices(home, copy, DisplayText(scratch.Root() / "services"), &services, &message)) {
        blockers.push_back("the services cannot be mirrored: " + message);
    }
    blockers.insert(blockers.end(), services.blockers.begin(), services.blockers.end());
    const bool modifyLexicons = ModifiesLexicons(request.upgradeArgs);
    std::vector<std::string> notes;
    const std::vector<std::string> found = FindBlockers(home, packageDir, modifyLexicons, &notes);
    blockers.insert(blockers.end(), found.begin(), found.end());
    for (const std::string& note : notes) *report += note + "\n\n";
    std::error_code error;
    const fs::space_info space = fs::space(PathFromText(home), error);
    if (!error) {
        *report += "Space on the home's volume: " + std::to_string(SpaceNeeded(home, packageDir, modifyLexicons)) +
                   " bytes needed, " +
                   std::to_string(space.available) + " bytes free\n\n";
    }
    // The copy, and the upgrade's run in it, take room in the temporary
    // folder: a preview that cannot finish there says so before it starts.
    const std::string copyBlocker = CopySpaceBlocker(home, packageDir, modifyLexicons, scratch.Root());
    if (!copyBlocker.empty()) blockers.push_back(copyBlocker);
    if (!blockers.empty()) return Blocked(blockers, report);

    Progress("Copying the home to " + copy + "...");
    if (!CopyHome(home, copy, &message)) {
        return Blocked({"the home cannot be copied to " + copy + ": " + message}, report);
    }
    // The copy's own record, obeyed in the copy alone: its journal goes back
    // first, as the upgrade's first step would put it back, so that the
    // copy's dictionary (which names the original's folders) is moved into
    // the copy as a whole.
    bool putBack = false;
    if (!PutBackCopysJournal(copy, &putBack, &message)) return Blocked({WithHomeName(message, copy)}, report);
    if (putBack) {
        *report += "The home holds the record of an interrupted upgrade: its data dictionaries were put back in the "
                   "copy first, as the upgrade puts them back.\n\n";
    }
    if (!RetargetDirectories(home, copy, &message)) {
        return Blocked({"the copy's database directories cannot be moved into it: " + message}, report);
    }
    HomeSnapshot before;
    if (!TakeSnapshot(copy, &before, &message)) return Blocked({message}, report);
    const std::vector<std::string> servicesBefore =
        services.mirrorDir.empty() ? std::vector<std::string>() : MirrorServiceNames(services.mirrorDir);

    Progress("Running the upgrade on the copy...");
    std::vector<std::string> args = {"DIR:" + copy};
    args.insert(args.end(), request.upgradeArgs.begin(), request.upgradeArgs.end());
    const RunResult run =
        RunWithoutInput(program, args, services.mirrorDir, DisplayText(scratch.Root() / "output.txt"));
    const int status = StatusOf(run);

    Progress("Comparing the copy with the home...");
    HomeSnapshot after;
    if (!TakeSnapshot(copy, &after, &message)) return Blocked({message}, report);

    *report += "== Upgrade run ==\n" + Outcome(run, status);
    if (!run.failure.empty()) *report += run.failure + "\n";
    *report += "--- output ---\n" + WithHomeName(WithoutLogLines(run.output), copy);
    if (!run.output.empty() && run.output.back() != '\n') *report += "\n";
    *report += "--- end of output ---\n\n";
    std::vector<std::string> serviceLines =
        services.mirrorDir.empty() ? services.actions : MirrorChanges(services.mirrorDir, servicesBefore);
    for (std::string& line : serviceLines) line = WithHomeName(line, copy);
    if (services.mirrorDir.empty()) {
        for (std::string& line : serviceLines) line = WithHomeName(line, home);
    }
    for (const std::string& warning : LeftServiceWarnings(services, home, before, after)) {
        serviceLines.push_back(WithHomeName(warning, home));
    }
    *report += Lines("Services", serviceLines);
    *report += ReportHomeDiff(before, after, ReadPackageFiles(packageDir));
    return status;
}

}  // namespace zelhome
