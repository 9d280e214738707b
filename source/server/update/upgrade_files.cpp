// Phase 3 of the upgrade: every step runs whatever the previous one
// returned, each printing its own errors; a failed step makes the run finish
// with errors.
#include <cstdio>
#include <cstring>

#include "server/config/legacy_profile.h"
#include "server/config/log_config.h"
#include "server/config/profile_merge.h"
#include "server/copy/file_copy.h"
#include "server/host/zelkit.h"
#include "server/programs/autobatch_section.h"
#include "server/programs/program_rename.h"
#include "server/service/service_migration.h"
#include "server/update/error_line.h"
#include "server/update/upgrade_run.h"
#include "server/update/upgrade_state.h"

namespace {

constexpr const char* kPrograms[] = {
    "zelserver.exe", "zelsearcher.exe", "zelmirror.exe", "zelidenter.exe",
    "zemshutdown.exe", "zemdict.exe", "zemmaster.exe", "zemload.exe",
};

constexpr const char* kLibraries[] = {
    "zelkit64.dll", "zemkernel64.dll", "zemsearch64.dll", "zemdaemon64.dll",
    "zemshell64.dll", "zelrpc64.dll", "zelapi64.dll", "readme.txt",
};

// A path buffer that is cut back to its base before every step.
struct WorkPath {
    char text[Z_MAX_PATH] = {};
    size_t base = 0;

    bool Start(const char* directory) {
        std::snprintf(text, sizeof text, "%s", directory);
        if (!Z_AppendSubdirSymbol(text, 0)) return false;
        base = std::strlen(text);
        return true;
    }
    char* Reset() {
        text[base] = '\0';
        return text;
    }
};

// Appends a directory name and a separator.
bool AppendDirectory(char* path, const char* name) {
    return Z_AppendPath(path, name) && Z_AppendSubdirSymbol(path, 0);
}

void CreateDirectoryIfMissing(WorkPath& home, const char* first, const char* second) {
    char* path = home.Reset();
    if (!Z_AppendPath(path, first)) return;
    if (second != nullptr && !(Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, second))) return;
    if (!Z_IsValidFilePath(path, 0)) Z_CreateDir(path, 0);
}

// The console program matching the native character set.
bool CopyConsoleProgram(const char* binDir, int nativeCharset) {
    const char* variant = nativeCharset == 1 ? "GB" : nativeCharset == 2 ? "BIG5" : "UTF8";
    char source[Z_MAX_PATH];
    char target[Z_MAX_PATH];
    std::snprintf(source, sizeof source, "%s", g_packageDir);
    std::snprintf(target, sizeof target, "%s", binDir);
    const bool built = Z_AppendSubdirSymbol(source, 0) && AppendDirectory(source, variant) &&
                       Z_AppendPath(source, "zemconsole.exe") && Z_AppendPath(target, "zemconsole.exe");
    if (built && Z_CloneFile(source, target)) return true;
    PrintToolkitErrorLine();
    return false;
}

}  // namespace

FilePhaseResult UpgradeFiles(UpgradeRun& run) {
    WorkPath home;
    WorkPath bin;
    WorkPath package;
    if (!home.Start(run.home) || !package.Start(g_packageDir)) {
        PrintToolkitErrorLine();
        return FilePhaseResult::FinishedWithErrors;
    }
    std::snprintf(bin.text, sizeof bin.text, "%s", home.text);
    if (!AppendDirectory(bin.text, "bin")) {
        PrintToolkitErrorLine();
        return FilePhaseResult::FinishedWithErrors;
    }
    bin.base = std::strlen(bin.text);

    CreateDirectoryIfMissing(home, "oem", nullptr);
    CreateDirectoryIfMissing(home, "system", "etc");

    if (Z_IsSameFilePath(bin.Reset(), package.Reset())) return FilePhaseResult::AlreadyInPlace;

    std::printf("\nNow, Copying the system files...\n");
    std::fflush(stdout);
    bool ok = true;
    for (const char* program : kPrograms) {
        ok = CopySystemFile(bin.Reset(), package.Reset(), program, "", 1) && ok;
    }
    ok = CopyConsoleProgram(bin.Reset(), run.nativeCharset) && ok;
    ok = CopySystemFile(bin.Reset(), package.Reset(), "zemservice.exe", "", 1) && ok;
    for (const char* library : kLibraries) {
        ok = CopySystemFile(bin.Reset(), package.Reset(), library, "", 1) && ok;
    }
    ok = CopyPloFiles(bin.Reset(), package.Reset()) && ok;
    ShowCopyProgress(nullptr);

    // The configuration lives in HOME/bin/../system/, reached from the bin
    // directory as the server itself reaches it.
    WorkPath system;
    std::snprintf(system.text, sizeof system.text, "%s", bin.Reset());
    if (!AppendDirectory(system.text, "..") || !AppendDirectory(system.text, "system")) {
        PrintToolkitErrorLine();
        return FilePhaseResult::FinishedWithErrors;
    }
    system.base = std::strlen(system.text);

    // The configuration steps print nothing of their own; a failure is shown
    // with the toolkit's error line, so that a run that finishes with errors
    // says which file stayed as it was.
    auto reported = [](int result) {
        if (!result) PrintToolkitErrorLine();
        return result != 0;
    };
    ok = MigrateCfgFile(system.Reset(), package.Reset(), "LOG.CFG", "LOG.INI") && ok;
    ok = MigrateCfgFile(system.Reset(), package.Reset(), "MIRROR.CFG", "MIRROR.INI") && ok;
    ok = MigrateCfgFile(system.Reset(), package.Reset(), "OEM.CFG", "OEM.INI") && ok;
    ok = reported(CreateLegacyProfile(system.Reset())) && ok;
    ok = reported(MergeProfile(system.Reset(), package.Reset())) && ok;
    ok = reported(MergeLogConfig(system.Reset(), package.Reset())) && ok;
    ok = reported(AddAutoBatchSection(bin.Reset())) && ok;
    if (run.oldServiceResult == 1) ok = InstallNewService(bin.Reset()) && ok;
    ok = reported(RenameOldPrograms(bin.Reset(), run.serverProgramAbsent)) && ok;
    std::fflush(stdout);
    return ok ? FilePhaseResult::Finished : FilePhaseResult::FinishedWithErrors;
}
