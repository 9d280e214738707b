// Phase 3 of the upgrade: every step runs whatever the previous one
// returned; a failed step is reported and makes the run finish with errors.
#include <cstdio>
#include <string>
#include <vector>

#include "autobatch_section.h"
#include "charset_numbers.h"
#include "config_changes.h"
#include "config_text.h"
#include "console.h"
#include "file_copy.h"
#include "fixed_path.h"
#include "legacy_profile.h"
#include "log_config.h"
#include "profile_draft_write.h"
#include "profile_merge.h"
#include "program_lines.h"
#include "program_names.h"
#include "program_rename.h"
#include "replaced_file.h"
#include "service_migration.h"
#include "upgrade_run.h"
#include "upgrade_steps.h"
#include "zelkit.h"

namespace {

FixedPath HomeDirectory(const RunContext& run) { return FixedPath::Directory(run.choices.home); }

// The directories the file steps work in, each with a separator at its end.
// The configuration lives in HOME/system/, built from the home's text: a
// bin directory that is a link must not lead it elsewhere. A home too long for them was
// refused at the start; should one not fit all the same, the step fails
// with the toolkit's error.
struct FileDirectories {
    FixedPath bin;
    FixedPath package;
    FixedPath system;
    bool ok() const { return bin.ok() && package.ok() && system.ok(); }
};

FileDirectories Directories(const RunContext& run) {
    const FixedPath bin = HomeDirectory(run).Sub("bin");
    return {bin, FixedPath::Directory(run.choices.packageDir), HomeDirectory(run).Sub("system")};
}

// The folders the new release expects. No later step of this run writes in
// them, so a folder that could not be made fails here or not at all.
bool CreateDirectoryIfMissing(RunContext& run, const FixedPath& path, const char* relative) {
    if (!path.ok()) return false;
    const int there = Z_DirExists(path.c_str());
    if (there > 0) return true;
    if (there != 0 || !Z_CreateDir(path.c_str(), 0)) return false;
    run.actions.Note(ActionKind::FileMade, ActionGroup::Files, HomeTarget(relative));
    return true;
}

bool CreateOemFolder(RunContext& run, const char*) {
    return CreateDirectoryIfMissing(run, HomeDirectory(run).File("oem"), "oem");
}

bool CreateEtcFolder(RunContext& run, const char*) {
    return CreateDirectoryIfMissing(run, HomeDirectory(run).Sub("system").File("etc"), "system/etc");
}

void NoteCopy(RunContext& run, const std::string& name, const char* variant = "") {
    run.actions.Note(ActionKind::FileWritten, ActionGroup::Files, HomeTarget("bin/" + name), variant);
    const FileBefore copied = LookAt(HomeDirectory(run).Sub("bin").File(name.c_str()));
    if (copied.exists) run.actions.bytesCopied += static_cast<int64_t>(copied.info.size);
}

// A program the home holds already, byte for byte, is not copied again, nor
// listed as copied.
bool CopyProgram(RunContext& run, const char* name) {
    const FileDirectories d = Directories(run);
    bool copied = false;
    if (!d.ok() || !CopySystemFile(d.bin.c_str(), d.package.c_str(), name, "", 1, &copied)) return false;
    if (copied) NoteCopy(run, name);
    return true;
}

// The console program matching the native character set, from the
// package's folder of that set; a server without one takes the UTF8 console.
bool CopyConsoleProgram(RunContext& run, const char* name) {
    const CharsetNumbers* native = CharsetOfNative(run.nativeCharset);
    const char* variant =
        native != nullptr && native->IsNative() ? native->suffix : CharsetOfNative(Z_CHARSET_UTF8)->suffix;
    const FileDirectories d = Directories(run);
    const FixedPath source = d.package.Sub(variant).File(name);
    const FixedPath target = d.bin.File(name);
    bool copied = false;
    if (!source.ok() || !target.ok() || !CopyFileUnlessSame(source.c_str(), target.c_str(), false, &copied)) {
        return false;
    }
    if (copied) NoteCopy(run, name, variant);
    return true;
}

bool CopyPloLibraryStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    const int module = d.ok() ? PackageHasPloModule(d.package.c_str()) : -1;
    bool copied = false;
    if (module < 0 || !CopyPloLibrary(d.bin.c_str(), d.package.c_str(), &copied)) return false;
    if (copied) NoteCopy(run, "the plo module's library");
    return true;
}

bool CopyPloFilesStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    const int module = d.ok() ? PackageHasPloModule(d.package.c_str()) : -1;
    if (module < 0 || !CopyPloFiles(d.bin.c_str(), d.package.c_str())) return false;
    if (module > 0) {
        run.actions.Note(ActionKind::FileWritten, ActionGroup::Files, HomeTarget("dict/plo"), "the plo module's data");
    }
    return true;
}

// Each file reaches the disk before it takes its name, and the folders that
// hold the names are flushed once for a whole batch of steps: the copies,
// the .CFG moves and the configuration steps after them, whose files lie in
// the same two folders. A power cut before the batch's end takes back a
// folder's changes since its last flush together, as a stop at an earlier
// step would leave them, and every step of the phase can be made again.
// The new service is installed only once the batch is on the disk, so
// that it never names a program a power cut takes back; the old programs'
// renaming, which follows it, makes a batch of its own.
bool BeginBatch(RunContext&, const char*) { return Z_BeginDurableBatch() != 0; }
bool EndBatch(RunContext&, const char*) { return Z_EndDurableBatch() != 0; }

bool BlankProgressLine(RunContext&, const char*) {
    ShowCopyProgress(nullptr);
    return true;
}

// "LOG" moves LOG.CFG to LOG.INI, and so on.
bool MigrateCfgFileStep(RunContext& run, const char* name) {
    const FileDirectories d = Directories(run);
    char oldName[32];
    char newName[32];
    std::snprintf(oldName, sizeof oldName, "%s.CFG", name);
    std::snprintf(newName, sizeof newName, "%s.INI", name);
    if (!d.ok()) return false;
    const FileBefore oldBefore = LookAt(d.system.File(oldName));
    const FileBefore newBefore = LookAt(d.system.File(newName));
    if (!MigrateCfgFile(d.system.c_str(), d.package.c_str(), oldName, newName)) return false;
    if (!newBefore.exists && LookAt(d.system.File(newName)).exists) {
        const bool moved = oldBefore.exists && !LookAt(d.system.File(oldName)).exists;
        const std::string target = HomeTarget(std::string("system/") + newName);
        if (moved) {
            run.actions.Note(ActionKind::FileRenamed, ActionGroup::Configuration, target, oldName);
        } else {
            run.actions.Note(ActionKind::FileMade, ActionGroup::Configuration, target,
                             std::string(newName) + " copied from the package");
        }
    }
    return true;
}

// The steps that change PROFILE.INI hand its text on in the run's draft;
// the step after the start-up section writes it once.
bool CreateLegacyProfileStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    if (!d.ok()) return false;
    ProfileDraft& draft = run.profileDraft;
    const bool made = draft.made;
    if (!DraftLegacyProfile(d.system.c_str(), run.resumed && run.profileMissing, &draft)) return false;
    if (!made && draft.made) draft.changes.push_back("PROFILE.INI made from the old configuration files");
    return true;
}

// The installed text before a merge, to tell afterwards what the merge
// reset or dropped; empty when it cannot be read (the merge then fails on
// its own).
std::string InstalledText(const FileDirectories& d, const char* name) {
    std::string text;
    const FixedPath path = d.system.File(name);
    if (!path.ok() || !ReadConfigText(path.c_str(), &text)) text.clear();
    return text;
}

// What the administrator had and the merge took away, with the backup that
// still holds it.
std::vector<std::string> MergeChanges(const char* name, const std::string& before, const std::string& after,
                                      std::vector<std::string> (*list)(const std::string&, const std::string&)) {
    std::vector<std::string> notes;
    if (before.empty() || after.empty() || after == before) return notes;
    for (const std::string& change : list(before, after)) {
        notes.push_back(std::string(name) + " " + change + " (kept in " + name + ".BAK)");
    }
    return notes;
}

// A value the merge reset or a section it dropped, as its note says.
void NoteConfigChange(RunContext& run, const char* name, const std::string& note) {
    const std::string sectionDropped = "] dropped (kept in ";
    const size_t bracket = note.find(sectionDropped);
    const bool section =
        bracket != std::string::npos && note.find('=') == std::string::npos && note.find(' ', note.find('[')) > bracket;
    run.actions.Note(section ? ActionKind::ConfigSectionDropped : ActionKind::ConfigValueReset,
                     ActionGroup::Configuration, HomeTarget(std::string("system/") + name), note);
}

void NoteConfigChanges(RunContext& run, const char* name, const std::string& before, const std::string& after,
                       std::vector<std::string> (*list)(const std::string&, const std::string&)) {
    for (const std::string& note : MergeChanges(name, before, after, list)) NoteConfigChange(run, name, note);
}

// The new programs were there before the run: the home was upgraded before,
// and its configuration is the administrator's own since.
bool UpgradedBefore(const RunContext& run) { return !run.serverProgramAbsent; }

bool MergeProfileStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    if (!d.ok()) {
        run.profileMergeFailed = true;
        return false;
    }
    ProfileDraft& draft = run.profileDraft;
    std::string before;
    run.profileMergeFailed =
        !(UpgradedBefore(run) ? DraftProfileMergeKeepingValues(d.system.c_str(), d.package.c_str(), &draft, &before)
                              : DraftProfileMerge(d.system.c_str(), d.package.c_str(), &draft, &before));
    if (run.profileMergeFailed) return false;
    if (before.empty()) return true;
    draft.changes.push_back("PROFILE.INI merged into the template");
    for (std::string& note : MergeChanges("PROFILE.INI", before, draft.text, ListProfileChanges)) {
        draft.notes.push_back(std::move(note));
    }
    return true;
}

bool MergeLogConfigStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    const ReplacedFile log(d.system, "LOG.INI", "LOG.INI.BAK");
    if (!d.ok()) return false;
    const std::string before = InstalledText(d, "LOG.INI");
    const bool merged = UpgradedBefore(run) ? MergeLogConfigKeepingValues(d.system.c_str(), d.package.c_str())
                                            : MergeLogConfig(d.system.c_str(), d.package.c_str());
    if (!merged) return false;
    log.Note(run, "LOG.INI merged into the template");
    NoteConfigChanges(run, "LOG.INI", before, InstalledText(d, "LOG.INI"), ListLogChanges);
    return true;
}

// After a failed merge the section's step owes the installed profile to
// PROFILE.INI.BAK before it changes it.
bool AddAutoBatchSectionStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    return d.ok() && AddAutoBatchSection(d.bin.c_str(), run.profileMergeFailed, &run.profileDraft);
}

// PROFILE.INI once, with what the steps before made of it: its backup
// first, then the profile in one step, then the old files whose contents it
// took over. On the first upgrade of a home the renaming of the old
// programs rewrites every launch line; the lines go in rewritten now, and
// the renaming finds nothing left to write.
bool WriteProfileStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    const ReplacedFile profileBackup(d.system, "PROFILE.INI", "PROFILE.INI.BAK");
    ProfileDraft& draft = run.profileDraft;
    const ProfileDraft steps = draft;
    const FixedPath path = d.system.File("PROFILE.INI");
    int renames = 0;
    // Until the profile is written, the renaming owes its backup.
    run.profileBackupOwed = steps.held && steps.backupOwed;
    if (d.ok() && path.ok() && draft.held) {
        renames = RenamingRewritesEveryLaunch(d.bin.c_str(), run.serverProgramAbsent, run.oldProgramsFound);
        std::string rewritten;
        // A line too long to rewrite is left to the renaming, which fails
        // on it as it would.
        if (renames > 0 && RewriteProgramLinesInText(draft.text, path.c_str(), &rewritten)) draft.text = rewritten;
    }
    if (!d.ok() || !path.ok() || renames < 0) {
        draft = ProfileDraft{};
        return false;
    }
    bool written = false;
    const bool done = WriteProfileDraft(path.c_str(), &draft, &written);
    if (written) run.profileBackupOwed = false;
    profileBackup.NoteBackup(run);
    if (written) {
        const std::string target = HomeTarget("system/PROFILE.INI");
        for (const std::string& change : steps.changes) {
            const bool made = change.find(" made ") != std::string::npos;
            run.actions.Note(made ? ActionKind::FileMade : ActionKind::FileWritten, ActionGroup::Configuration, target,
                             change);
        }
        if (steps.sectionAdded) {
            run.actions.Note(ActionKind::FileWritten, ActionGroup::Configuration, target,
                             "PROFILE.INI: the start-up programs section added");
        }
        for (const std::string& note : steps.notes) NoteConfigChange(run, "PROFILE.INI", note);
    }
    // The files whose contents the profile took over go once it is written.
    for (const std::string& taken : steps.afterWrite) {
        if (Z_NameExists(taken.c_str()) == 0) {
            run.actions.Note(ActionKind::FileRemoved, ActionGroup::Configuration, HomeTarget(run.choices.home, taken));
        }
    }
    return done;
}

// Only a run that removed the previous release's service, or found one that
// an earlier run removed, installs the new one.
bool InstallNewServiceStep(RunContext& run, const char*) {
    if (!run.oldServiceRemoved) return true;
    const FileDirectories d = Directories(run);
    const FixedPath system = HomeDirectory(run).Sub("system");
    std::string installed;
    if (!d.ok() || !system.ok() || !InstallNewService(d.bin.c_str(), system.c_str(), &installed)) return false;
    if (!installed.empty()) run.actions.Note(ActionKind::ServiceInstalled, ActionGroup::Services, installed);
    return true;
}

bool RenameOldProgramsStep(RunContext& run, const char*) {
    const FileDirectories d = Directories(run);
    if (!d.ok()) return false;
    const ReplacedFile profileBackup(d.system, "PROFILE.INI", "PROFILE.INI.BAK");
    const FixedPath oldServer = d.bin.File("z40server.exe");
    const bool oldPrograms = run.oldProgramsFound || LookAt(oldServer).exists;
    FileBefore before[PROGRAM_NAME_COUNT];
    for (int i = 0; i < PROGRAM_NAME_COUNT; ++i) before[i] = LookAt(d.bin.File(g_programNames[i].oldName));
    const FixedPath profile = d.system.File("PROFILE.INI");
    const FileBefore profileBefore = LookAt(profile);
    bool copiesInPlace = false;
    bool oldDeleted = false;
    const bool renamed = RenameOldPrograms(d.bin.c_str(), run.serverProgramAbsent, run.oldProgramsFound,
                                           run.choices.oldNames, run.profileBackupOwed, &copiesInPlace, &oldDeleted);
    // The backup a failed write of the profile owed, when the renaming kept it.
    profileBackup.NoteBackup(run);
    // What went, and what came back as a copy of the new program, whether
    // or not the step finished.
    for (int i = 0; i < PROGRAM_NAME_COUNT; ++i) {
        const FileBefore after = LookAt(d.bin.File(g_programNames[i].oldName));
        const std::string target = HomeTarget(std::string("bin/") + g_programNames[i].oldName);
        if (before[i].exists && !after.exists) {
            run.actions.Note(ActionKind::FileRemoved, ActionGroup::Files, target, g_programNames[i].newName);
        } else if (after.exists && (oldDeleted || !IsSameFile(before[i], after))) {
            run.actions.Note(ActionKind::FileWritten, ActionGroup::Files, target,
                             std::string("a copy of ") + g_programNames[i].newName);
        }
    }
    const FileBefore profileAfter = LookAt(profile);
    if (profileAfter.exists && profileBefore.exists && !IsSameFile(profileBefore, profileAfter)) {
        run.actions.Note(ActionKind::FileWritten, ActionGroup::Configuration, HomeTarget("system/PROFILE.INI"),
                         "PROFILE.INI: the old programs' names rewritten");
    }
    if (!renamed) return false;
    run.summary.oldProgramsRenamed = oldPrograms && !copiesInPlace;
    run.summary.oldNamesKept = oldPrograms && LookAt(oldServer).exists;
    return true;
}

constexpr OnFailure kGoOn = OnFailure::FinishWithErrors;
constexpr ErrorLine kToolkit = ErrorLine::Toolkit;

// Between the copies and the configuration, in their batch; alone when the
// release is in place.
constexpr UpgradeStep kFolderSteps[] = {
    {"make the folder oem", CreateOemFolder, nullptr, kGoOn, kToolkit},
    {"make the folder system/etc", CreateEtcFolder, nullptr, kGoOn, kToolkit},
};

constexpr UpgradeStep kCopySteps[] = {
    {"begin the copies", BeginBatch, nullptr, kGoOn, kToolkit},
    {"copy the server", CopyProgram, "zelserver.exe", kGoOn, kToolkit},
    {"copy the searcher", CopyProgram, "zelsearcher.exe", kGoOn, kToolkit},
    {"copy the mirror", CopyProgram, "zelmirror.exe", kGoOn, kToolkit},
    {"copy the identifier", CopyProgram, "zelidenter.exe", kGoOn, kToolkit},
    {"copy the shutdown program", CopyProgram, "zemshutdown.exe", kGoOn, kToolkit},
    {"copy the dictionary tool", CopyProgram, "zemdict.exe", kGoOn, kToolkit},
    {"copy the master", CopyProgram, "zemmaster.exe", kGoOn, kToolkit},
    {"copy the loader", CopyProgram, "zemload.exe", kGoOn, kToolkit},
    {"copy the console of the native character set", CopyConsoleProgram, "zemconsole.exe", kGoOn, kToolkit},
    {"copy the service program", CopyProgram, "zemservice.exe", kGoOn, kToolkit},
    {"copy the toolkit", CopyProgram, "zelkit64.dll", kGoOn, kToolkit},
    {"copy the kernel", CopyProgram, "zemkernel64.dll", kGoOn, kToolkit},
    {"copy the search library", CopyProgram, "zemsearch64.dll", kGoOn, kToolkit},
    {"copy the network client", CopyProgram, "zemdaemon64.dll", kGoOn, kToolkit},
    {"copy the dictionary shell", CopyProgram, "zemshell64.dll", kGoOn, kToolkit},
    {"copy the remote call library", CopyProgram, "zelrpc64.dll", kGoOn, kToolkit},
    {"copy the programming interface", CopyProgram, "zelapi64.dll", kGoOn, kToolkit},
    {"copy the release notes", CopyProgram, "readme.txt", kGoOn, kToolkit},
    {"copy the plo module's library", CopyPloLibraryStep, nullptr, kGoOn, kToolkit},
    {"copy the plo module's data", CopyPloFilesStep, nullptr, kGoOn, kToolkit},
    {"blank the progress line", BlankProgressLine, nullptr, kGoOn, kToolkit},
};

// The rest of the copies' batch, with the service and the renaming: one
// batch, whose folders are flushed once at its end. The new programs'
// names reach the disk before the first batch file goes (a change in bin
// after changes in system flushes what is owed first), and a power cut
// before the end leaves the record, so the next run copies again what the
// cut took back; the service needs no flush of its own before it.
constexpr UpgradeStep kConfigSteps[] = {
    {"LOG.CFG becomes LOG.INI", MigrateCfgFileStep, "LOG", kGoOn, kToolkit},
    {"MIRROR.CFG becomes MIRROR.INI", MigrateCfgFileStep, "MIRROR", kGoOn, kToolkit},
    {"OEM.CFG becomes OEM.INI", MigrateCfgFileStep, "OEM", kGoOn, kToolkit},
    {"make PROFILE.INI from the old files when missing", CreateLegacyProfileStep, nullptr, kGoOn, kToolkit},
    {"merge PROFILE.INI into the template", MergeProfileStep, nullptr, kGoOn, kToolkit},
    {"merge LOG.INI into the template", MergeLogConfigStep, nullptr, kGoOn, kToolkit},
    {"add the start-up programs section", AddAutoBatchSectionStep, nullptr, kGoOn, kToolkit},
    {"write PROFILE.INI", WriteProfileStep, nullptr, kGoOn, kToolkit},
    {"install the new service", InstallNewServiceStep, nullptr, kGoOn, ErrorLine::System},
    {"rename the previous release's programs", RenameOldProgramsStep, nullptr, kGoOn, kToolkit},
    {"flush the folders of the copies, the configuration and the renaming", EndBatch, nullptr, kGoOn, kToolkit},
};

// Run from HOME/bin itself: the programs are in place, but a service owed
// for the removed one is not.
constexpr UpgradeStep kInPlaceSteps[] = {
    {"install the new service", InstallNewServiceStep, nullptr, kGoOn, ErrorLine::System},
};

}  // namespace

FilePhaseResult UpgradeFiles(RunContext& run) {
    // Run from HOME/bin itself, the new release is in place already.
    const FileDirectories d = Directories(run);
    if (d.ok() && Z_IsSameFilePath(d.bin.c_str(), d.package.c_str())) {
        bool done = RunSteps(run, kFolderSteps) == StepsResult::Done;
        done = RunSteps(run, kInPlaceSteps) == StepsResult::Done && done;
        return done ? FilePhaseResult::AlreadyInPlace : FilePhaseResult::AlreadyInPlaceWithErrors;
    }

    ConsolePrint("\nNow, Copying the system files...\n");
    bool done = RunSteps(run, kCopySteps) == StepsResult::Done;
    // Made once the copies' names are owed (bin's), so that the new
    // folder's name in system is flushed with the .CFG moves that follow
    // there, not on its own.
    done = RunSteps(run, kFolderSteps) == StepsResult::Done && done;
    done = RunSteps(run, kConfigSteps) == StepsResult::Done && done;
    return done ? FilePhaseResult::Finished : FilePhaseResult::FinishedWithErrors;
}
