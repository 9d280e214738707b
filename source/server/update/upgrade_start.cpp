// Phase 1 of the upgrade: nothing of the home directory changes here, so
// every choice is checked and every gate passed before phase 2 begins.
#include <cstdio>
#include <cstring>

#include "command_check.h"
#include "command_line.h"
#include "console.h"
#include "error_line.h"
#include "fixed_path.h"
#include "home_checks.h"
#include "menu_answer.h"
#include "native_charset.h"
#include "removed_service.h"
#include "run_record.h"
#include "service_migration.h"
#include "upgrade_log.h"
#include "upgrade_run.h"
#include "upgrade_sequence.h"
#include "upgrade_steps.h"
#include "zelkit.h"

namespace {

constexpr const char* kLegalNotice = "\nCopyright (c) The ZEL developers. All rights reserved.\n\n";

// "NEW:" and the menu: "0" adds no lexicons, so names take the suffix
// ENGLISH.
bool MatchCharsetChoice(const char* answer, uint16_t* code) {
    const CharsetNumbers* set = CharsetOfAnswer(answer);
    if (set == nullptr) return false;
    *code = set->code;
    return true;
}

bool ReadHomeDirectory(RunChoices& choices) {
    if (!FindArgument("DIR:", choices.home, Z_MAX_PATH)) {
        ConsolePrint("\nInput the target dir of ZEL Server(e.g.: d:\\zelhome): ");
        if (Z_InputConsoleLine(choices.home, Z_MAX_PATH, 1) < 0) {
            PrintToolkitErrorLine();
            return false;
        }
        ConsoleAnswer(choices.home);
    }
    if (choices.home[0] == '\0') {
        ConsolePrint("\nERROR: The target dir of ZEL Server is not given!\n\n");
        return false;
    }
    // A relative home is the administrator's, from the folder the program
    // was started in: taken so before the program makes its own folder the
    // current one.
    if (!Z_MakeAbsolutePath(choices.home)) {
        PrintToolkitErrorLine();
        return false;
    }
    // Every path of the run is built in buffers of Z_MAX_PATH characters; a
    // home directory that leaves no room for the longest name appended to it
    // is refused before anything changes.
    const size_t limit = Z_MAX_PATH - 1 - kLongestHomeSuffix;
    if (std::strlen(choices.home) > limit) {
        ConsolePrint("\nERROR: The target dir is longer than %d characters!\n\n", static_cast<int>(limit));
        return false;
    }
    // A home that the system cannot name as it was given (on Windows a
    // character outside the system code page) would send every step of the
    // run to another path.
    if (!Z_CheckPathText(choices.home)) {
        PrintToolkitErrorLine();
        return false;
    }
    return true;
}

bool ReadDictionaryMode(RunChoices& choices) {
    char value[Z_MAX_PATH];
    if (!FindArgument("DIC:", value, sizeof value)) return true;
    if (ZSTRCMPI(value, "RIX") == 0) {
        choices.dictionaryMode = DICTIONARY_MODE_RIX;
    } else if (ZSTRCMPI(value, "REW") == 0) {
        choices.dictionaryMode = DICTIONARY_MODE_REW;
    } else {
        ConsolePrint("\nERROR: The argument(DIC:%s) is not supported!\n", value);
        return false;
    }
    return true;
}

// Checked here, with the other values, so that a misspelt value stops the
// run before the dictionaries are touched rather than half-way through them.
bool ReadEntityChoice(RunChoices& choices) {
    char value[256];
    if (!FindArgument("ENT:", value, sizeof value)) return true;
    if (ParseEntityChoice(value, &choices.entity)) return true;
    ConsolePrint("\nERROR: The argument(ENT:%s) is not supported!\n", value);
    return false;
}

// "CS:" and "OLD:" were checked with the whole command line. Without
// "CS:", an answer typed at the menu of an interrupted run stands.
void ReadNativeCharsetAndOldNames(RunChoices& choices) {
    char given[sizeof choices.nativeCharsetAnswer];
    if (FindArgument("CS:", given, sizeof given)) {
        choices.nativeCharsetGiven = true;
        choices.nativeCharsetAnswered = false;
        std::memcpy(choices.nativeCharsetAnswer, given, sizeof given);
    } else {
        choices.nativeCharsetGiven = choices.nativeCharsetAnswered;
    }
    char value[Z_MAX_LINE];
    if (FindArgument("OLD:", value, sizeof value)) choices.oldNames = ParseOldNamesChoice(value);
}

bool ReadLexiconCharset(RunChoices& choices) {
    char value[Z_MAX_PATH];
    if (FindArgument("NEW:", value, sizeof value)) {
        choices.lexiconCharsetAnswered = false;
        if (MatchCharsetChoice(value, &choices.lexiconCharsetCode)) return true;
        ConsolePrint("\nERROR: The charset is not supported!\n");
        return false;
    }
    // Typed at the menu of an interrupted run: not asked again.
    if (choices.lexiconCharsetAnswered) return true;
    for (;;) {
        if (choices.dictionaryMode == DICTIONARY_MODE_ADD) {
            ConsolePrint("\nPlease select the character set for added dictionaries:");
        } else {
            ConsolePrint("\nPlease select the character set for modified dictionaries:");
        }
        ConsolePrint("\n0: NONE\n1: GB18030\n2: UTF8\n3: BIG5\nYou select: ");
        if (!ReadMenuAnswer(value, sizeof value)) {
            PrintToolkitErrorLine();
            return false;
        }
        if (MatchCharsetChoice(value, &choices.lexiconCharsetCode)) {
            choices.lexiconCharsetAnswered = true;
            return true;
        }
        ConsolePrint("\nThe selection is invalid!\n");
    }
}

FixedPath BinDirectory(const RunContext& run) { return FixedPath::Directory(run.choices.home).Sub("bin"); }

// ---- the gates, as steps ---------------------------------------------------

// A run going on after an interruption decides as the first one did: the
// new programs it may have copied meanwhile do not count.
bool NoteServerProgram(RunContext& run, const char*) {
    if (run.resumed) return true;
    const FixedPath server = BinDirectory(run).File("zelserver.exe");
    const FixedPath profile = FixedPath::Directory(run.choices.home).Sub("system").File("PROFILE.INI");
    const FixedPath oldServer = BinDirectory(run).File("z40server.exe");
    if (!server.ok() || !profile.ok() || !oldServer.ok()) return false;
    // Every later step decides by these: one the system cannot tell about
    // stops the run before anything changes.
    const int oldServerThere = Z_FileExists(oldServer.c_str());
    const int serverThere = oldServerThere < 0 ? -1 : Z_FileExists(server.c_str());
    const int profileThere = serverThere < 0 ? -1 : Z_FileExists(profile.c_str());
    if (profileThere < 0) return false;
    run.oldProgramsFound = oldServerThere > 0;
    run.serverProgramAbsent = serverThere == 0;
    run.profileMissing = profileThere == 0;
    return true;
}

// Every question is answered before the first change: a run that cannot be
// answered (an unattended one without "CS:") stops with the old service
// still registered and the home as it was.
bool AskNativeCharset(RunContext& run, const char*) {
    if (AskNativeCharsetBeforeChanges(run)) return true;
    Z_SetLastErrorText(Z_ERROR_END_OF_INPUT,
                       "No answer to the question of the native character set (end of input); nothing was "
                       "changed. Answer it, or give CS:0 to CS:3, and run the upgrade again.");
    return false;
}

bool RemoveOldServiceStep(RunContext& run, const char*) {
    // The service records its program without a trailing separator.
    const FixedPath bin = FixedPath::Directory(run.choices.home).File("bin");
    const FixedPath system = FixedPath::Directory(run.choices.home).Sub("system");
    const bool done = bin.ok() && system.ok() &&
                      RemoveOldService(bin.c_str(), system.c_str(), &run.oldServiceRemoved, &run.removedService);
    // A removal that failed after the service went is a removal all the
    // same: the stop registers the service again.
    if (run.oldServiceRemoved) {
        run.actions.Note(ActionKind::ServiceRemoved, ActionGroup::Services, run.removedService.name);
    }
    if (!done) return false;
    // Removed by an earlier run whose successor is not installed yet; a
    // record the system cannot tell about may owe one, and stops the run.
    const int pending = run.oldServiceRemoved ? 1 : RemovedServicePending(system.c_str());
    if (pending < 0) return false;
    run.oldServiceRemoved = pending > 0;
    return true;
}

bool EnterBinDirectory(RunContext& run, const char*) {
    const FixedPath bin = FixedPath::Directory(run.choices.home).File("bin");
    if (!bin.ok()) return false;
    Z_ChangeDir(bin.c_str());  // the steps build full paths; this only matches the server's habit
    return true;
}

// A first run writes its record once its journal is open (nothing changes
// before that a run deciding afresh would decide otherwise); a run that
// goes on with an interrupted one's record brings it up to date here.
bool RecordDecisions(RunContext& run, const char*) {
    run.recordMade = !run.resumed;
    return !run.resumed || WriteRunRecord(run, true);
}

// After the checks, still changing nothing.
constexpr UpgradeStep kGates[] = {
    {"note whether the new server program and the profile are there", NoteServerProgram, nullptr, OnFailure::StopRun,
     ErrorLine::Toolkit},
    {"ask for the native character set", AskNativeCharset, nullptr, OnFailure::StopRun, ErrorLine::Gate},
};

// The first changes: a stop from here on puts back what the run changed.
constexpr UpgradeStep kFirstChanges[] = {
    {"remove the previous release's service", RemoveOldServiceStep, nullptr, OnFailure::StopRun, ErrorLine::System},
    {"make HOME/bin the current directory", EnterBinDirectory, nullptr, OnFailure::StopRun, ErrorLine::Toolkit},
    // Before anything of the home's files changes.
    {"record the run's decisions", RecordDecisions, nullptr, OnFailure::StopRun, ErrorLine::Toolkit},
};

// The home and the package are followed from the folders as opened here:
// whatever lies in them (a link, a "..") cannot lead the run elsewhere
// unless the link rule allows it. A home that is no folder gets no root;
// the run stops at the dictionary shell with its own message.
bool ConfineToHomeAndPackage(const RunChoices& choices) {
    if (!Z_AddFileRoot(choices.packageDir)) return false;
    const int home = Z_DirExists(choices.home);
    return home == 0 || (home > 0 && Z_AddFileRoot(choices.home));
}

}  // namespace

bool LocatePackageDir(const char* programPath, char* packageDir) {
    if (!Z_GotoProgramDir(programPath)) return false;
    return Z_GetCurrentDir(packageDir, Z_MAX_PATH) != nullptr && packageDir[0] != '\0';
}

bool StartUpgrade(RunContext& run) {
    ConsolePrint("\nZEL(R) Enterprise Database %s %.2f.%d.%d%s", "Upgrade", 6.8, 5290, 64, "");
    ConsolePrint("%s", kLegalNotice);

    // Every word is checked before anything else: a misspelt key or value
    // stops the run here, never taken for "don't".
    if (!CheckCommandLine()) return false;
    RunChoices& choices = run.choices;
    if (!ReadHomeDirectory(choices)) return false;
    if (!LocatePackageDir(ProgramPathArgument(), choices.packageDir)) {
        PrintToolkitErrorLine();
        return false;
    }
    if (!ConfineToHomeAndPackage(choices)) {
        PrintToolkitErrorLine();
        return false;
    }
    if (!LockHome(run)) return false;
    // Held, the home gets the run's log; what the console showed so far
    // goes in first. A check writes its log and its report, and nothing
    // else. A run without its log stops here, before anything changes.
    if (!OpenUpgradeLog(run)) return false;
    CheckFindings findings;
    RecordCheck refused = RecordCheck::None;
    std::string why;
    if (!ReadRunRecord(run, &refused, &why)) NoteRefusedRecord(choices.home, refused, why, &findings);
    if (!ReadDictionaryMode(choices) || !ReadEntityChoice(choices)) return false;
    ReadNativeCharsetAndOldNames(choices);
    if (!FindBlockers(run, findings)) return false;
    // The questions come once nothing stops the run.
    if (!ReadLexiconCharset(choices)) return false;
    return RunSteps(run, kGates) != StepsResult::Stopped;
}

bool BeginChanges(RunContext& run) { return RunSteps(run, kFirstChanges) != StepsResult::Stopped; }
