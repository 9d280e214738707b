#include "program_rename.h"

#include <cstdio>

#include "autobatch_section.h"
#include "config_paths.h"
#include "config_replace.h"
#include "config_text.h"
#include "console.h"
#include "first_failure.h"
#include "profile_backup.h"
#include "program_lines.h"
#include "program_names.h"
#include "same_bytes.h"
#include "zelkit.h"

namespace {

constexpr const char* kNamesTable =
    "\nOLD NAMES               NEW NAMES"
    "\nz40server.exe --------> zelserver.exe"
    "\nz40searcher.exe ------> zelsearcher.exe"
    "\nz40mirror.exe --------> zelmirror.exe"
    "\nz40shutdown.exe ------> zemshutdown.exe"
    "\nz40service.exe -------> zemservice.exe"
    "\nz40console.exe -------> zemconsole.exe";

void PrintNewNames() {
    ConsolePrint("\nAttention: The program's names of new system are changed!\n");
    ConsolePrint("%s", kNamesTable);
    ConsolePrint("\n\nDo you want to kepp to the old names? (Y/N)\a\a\a ");
}

// The answer given with "OLD:", or else typed at the question. Like any
// answer but yes, the end of input (or a line longer than any answer) means
// no; a console that fails otherwise gave no answer, and fails the step.
bool WantsOldNames(OldNamesChoice given, bool* wants) {
    *wants = given == OldNamesChoice::Keep;
    if (given != OldNamesChoice::Ask) return true;
    PrintNewNames();
    char answer[Z_MAX_LINE];
    if (Z_InputConsoleLine(answer, sizeof(answer), 1) < 0) {
        const uint32_t why = Z_GetLastError();
        ConsoleAnswer(why == Z_ERROR_END_OF_INPUT ? "(the input ended)"
                      : why == Z_ERROR_TOO_LONG   ? "(an answer too long to be one)"
                                                  : "(no answer)");
        return why == Z_ERROR_END_OF_INPUT || why == Z_ERROR_TOO_LONG;
    }
    ConsoleAnswer(answer);
    *wants = ParseOldNamesChoice(answer) == OldNamesChoice::Keep;
    return true;
}

// Copies of the new programs under the old names. A new program that is not
// there leaves its old name out, as there is nothing to copy; any other copy
// that fails fails the step, after the rest were made, with the first cause,
// and so does a new program the system cannot tell about.
bool KeepOldNames(const char* binDir) {
    FirstFailure failure;
    for (const ProgramNameRow& row : g_programNames) {
        char source[Z_MAX_PATH];
        char target[Z_MAX_PATH];
        if (!JoinConfigPath(source, binDir, row.newName) || !JoinConfigPath(target, binDir, row.oldName)) {
            failure.Note();
            continue;
        }
        const int there = Z_FileExists(source);
        if (there < 0 || (there > 0 && !Z_CloneFile(source, target))) failure.Note();
    }
    return failure.Restore();
}

// Whether the old names hold already what KeepOldNames would make of them
// after the deletion of every z40 file: each new program that is there has a
// copy of its very bytes under its old name, no old name is there without
// its new program, and no other z40 file is (their bytes add up to the
// copies'). A rerun over an upgraded home then leaves them as they are. 1
// they do, 0 they do not, -1 the system cannot tell.
int OldNamesKeptAlready(const char* binDir) {
    uint64_t copies = 0;
    for (const ProgramNameRow& row : g_programNames) {
        char source[Z_MAX_PATH];
        char target[Z_MAX_PATH];
        if (!JoinConfigPath(source, binDir, row.newName) || !JoinConfigPath(target, binDir, row.oldName)) return -1;
        const int there = Z_FileExists(source);
        if (there < 0) return -1;
        ZFileInfo copy{};
        if (!Z_GetFileInfo(target, Z_NO_LINK, &copy)) return -1;
        if (there == 0) {
            if (copy.kind != Z_FILE_MISSING) return 0;
            continue;
        }
        const int same = HoldsSameBytes(target, source);
        if (same <= 0) return same;
        copies += copy.size;
    }
    uint64_t all = 0;
    if (!Z_GetFolderSize(binDir, "z40*.*", 0, &all)) return -1;
    return all == copies ? 1 : 0;
}

// Whether the old program a launch line names is not one that a copy under
// an old name brings back: one of the six, whose new program is there. 1
// it is not, 0 it is, -1 the system cannot tell.
int NotBroughtBackByCopy(const char* program, const char* binDir) {
    for (const ProgramNameRow& row : g_programNames) {
        if (ZSTRCMPI(program, row.oldName) != 0) continue;
        char source[Z_MAX_PATH];
        if (!JoinConfigPath(source, binDir, row.newName)) return 1;
        const int there = Z_FileExists(source);
        return there < 0 ? -1 : there == 0 ? 1 : 0;
    }
    return 1;
}

int MissingFromBin(const char* program, const char* binDir) {
    char programPath[Z_MAX_PATH];
    if (!JoinConfigPath(programPath, binDir, program)) return 1;
    const int there = Z_FileExists(programPath);
    return there < 0 ? -1 : there == 0 ? 1 : 0;
}

// Whether a launch line of the profile, in a line the rewrite would change,
// names an old program for which lacking(program, binDir) holds. A missing
// profile names none; one that cannot be read, or a profile or program the
// system cannot tell about, is a failure (false), since the answer decides
// what becomes of the profile.
bool ProfileNamesOldProgram(const char* profilePath, const char* binDir,
                            int (*lacking)(const char* program, const char* binDir), bool* names) {
    *names = false;
    const int there = Z_FileExists(profilePath);
    if (there <= 0) return there == 0;
    HZFILE profile = Z_OpenFile(profilePath, Z_MODE_READ, 0, nullptr, 0);
    if (profile == nullptr) return false;
    char line[Z_MAX_LINE];
    char program[Z_MAX_LINE];
    int lacks = 0;
    while (lacks == 0 && Z_ReadFileLine(profile, line, Z_MAX_LINE, nullptr)) {
        if (NamesOldProgram(line, program)) lacks = lacking(program, binDir);
    }
    *names = lacks > 0;
    // A line too long to read ends the scan as the end of the file would:
    // the rewrite could not read past it either.
    const bool read =
        lacks > 0 || (lacks == 0 && (Z_FileError(profile) == 0 || Z_GetLastError() == Z_ERROR_TOO_LONG));
    CloseReadFile(profile);
    return read;
}

}  // namespace

const char* OldAndNewProgramNames() { return kNamesTable; }

int RenamingRewritesEveryLaunch(const char* binDir, bool serverProgramAbsent, bool oldProgramsFound) {
    if (!serverProgramAbsent) return 0;
    if (oldProgramsFound) return 1;
    char oldServer[Z_MAX_PATH];
    if (!JoinConfigPath(oldServer, binDir, "z40server.exe")) return -1;
    return Z_FileExists(oldServer);
}

bool RenameOldPrograms(const char* binDir, bool serverProgramAbsent, bool oldProgramsFound, OldNamesChoice oldNames,
                       bool profileBackupOwed, bool* copiesInPlace, bool* oldDeleted) {
    if (copiesInPlace != nullptr) *copiesInPlace = false;
    if (oldDeleted != nullptr) *oldDeleted = false;
    char oldServer[Z_MAX_PATH];
    char profilePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    char systemDir[Z_MAX_PATH];
    if (!JoinConfigPath(oldServer, binDir, "z40server.exe") || !SystemDirFromBinDir(systemDir, binDir) ||
        !JoinConfigPath(profilePath, systemDir, "PROFILE.INI") || !JoinConfigPath(newPath, systemDir, "PROFILE.NEW")) {
        return false;
    }
    // PROFILE.NEW was this step's work file: one a stopped run left is never
    // taken for anything, and never left behind.
    if (!DiscardWorkFile(newPath)) return false;
    // A run going on after an interruption may find the old programs gone
    // already: it found them when it started.
    const int oldServerThere = oldProgramsFound ? 1 : Z_FileExists(oldServer);
    if (oldServerThere < 0) return false;
    if (oldServerThere > 0) {
        // With the new programs in place before this upgrade, the profile was
        // converted by an earlier one: the old names come back as copies of
        // the new programs, and the profile stays as it is. Unless it names
        // an old program that no copy brings back. Decided before anything
        // is deleted, from what the copies will be, not from the names the
        // deletion below takes away for a moment.
        bool rewrite = serverProgramAbsent;
        if (!rewrite && !ProfileNamesOldProgram(profilePath, binDir, NotBroughtBackByCopy, &rewrite)) return false;
        if (!rewrite) {
            const int kept = OldNamesKeptAlready(binDir);
            if (kept < 0) return false;
            if (kept > 0) {
                if (copiesInPlace != nullptr) *copiesInPlace = true;
                return true;
            }
        }
        // The old batch files match "z40*.*" too: one whose launches are not
        // in the profile must not go with the programs.
        if (!KeepBatchFilesNotInProfile(binDir)) return false;
        if (!Z_DeleteFiles(binDir, "z40*.*")) return false;
        if (oldDeleted != nullptr) *oldDeleted = true;
        if (!rewrite) return KeepOldNames(binDir);
    } else {
        // No previous release here, or one whose renaming is complete. A
        // profile still naming old programs that are gone is what a run
        // stopped inside the renaming leaves: its rewrite is finished below.
        bool names = false;
        if (!ProfileNamesOldProgram(profilePath, binDir, MissingFromBin, &names)) return false;
        if (!names) return true;
    }
    // Without its backup the administrator's launch lines would be gone for
    // good once rewritten: a rerun keeps the rewritten profile as its own.
    if ((profileBackupOwed && !KeepOwedProfileBackup(profilePath)) || !RewriteProgramLines(profilePath)) {
        // The profile, when there is one, still names the old programs
        // (and so may whatever else the administrator launches them
        // with): without copies under those names they could not start.
        FirstFailure failure;
        failure.Note();
        KeepOldNames(binDir);
        failure.Restore();
        return false;
    }
    bool wants = false;
    if (!WantsOldNames(oldNames, &wants)) return false;
    return !wants || KeepOldNames(binDir);
}
