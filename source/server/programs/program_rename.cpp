#include "program_rename.h"

#include <cstdio>

#include "autobatch_section.h"
#include "config_paths.h"
#include "config_replace.h"
#include "program_lines.h"
#include "program_names.h"
#include "zelkit.h"

namespace {

void PrintNewNames() {
    std::fputs("\nAttention: The program's names of new system are changed!\n", stdout);
    std::fputs("\nOLD NAMES               NEW NAMES", stdout);
    std::fputs("\nz40server.exe --------> zelserver.exe", stdout);
    std::fputs("\nz40searcher.exe ------> zelsearcher.exe", stdout);
    std::fputs("\nz40mirror.exe --------> zelmirror.exe", stdout);
    std::fputs("\nz40shutdown.exe ------> zemshutdown.exe", stdout);
    std::fputs("\nz40service.exe -------> zemservice.exe", stdout);
    std::fputs("\nz40console.exe -------> zemconsole.exe", stdout);
    std::fputs("\n\nDo you want to kepp to the old names? (Y/N)\a\a\a ", stdout);
    std::fflush(stdout);
}

// The answer given with "OLD:", or else typed at the question. Like any
// answer but yes, the end of input means no.
bool WantsOldNames(OldNamesChoice given) {
    if (given != OldNamesChoice::Ask) return given == OldNamesChoice::Keep;
    PrintNewNames();
    char answer[Z_MAX_LINE];
    if (Z_InputConsoleLine(answer, sizeof(answer), 1) < 0) return false;
    return ParseOldNamesChoice(answer) == OldNamesChoice::Keep;
}

// Copies of the new programs under the old names; a missing new program
// leaves its old name out.
void KeepOldNames(const char* binDir) {
    for (const ProgramNameRow& row : g_programNames) {
        char source[Z_MAX_PATH];
        char target[Z_MAX_PATH];
        if (JoinConfigPath(source, binDir, row.newName) && JoinConfigPath(target, binDir, row.oldName)) {
            Z_CloneFile(source, target);
        }
    }
}

// Whether a launch line of the profile names an old program that is not in
// the bin directory, in a line the rewrite would change: a run stopped after
// deleting the old programs and before the profile was rewritten. A profile
// that cannot be read has nothing the rewrite could do either.
bool ProfileNamesMissingOldPrograms(const char* profilePath, const char* binDir) {
    HZFILE profile = Z_OpenFile(profilePath, Z_MODE_READ, 0, nullptr, 0);
    if (profile == nullptr) return false;
    bool names = false;
    char line[Z_MAX_LINE];
    char program[Z_MAX_LINE];
    while (!names && Z_ReadFileLine(profile, line, Z_MAX_LINE, nullptr)) {
        char programPath[Z_MAX_PATH];
        names = NamesOldProgram(line, program) &&
                (!JoinConfigPath(programPath, binDir, program) || !Z_IsValidFileName(programPath));
    }
    Z_CloseFile(profile);
    return names;
}

}  // namespace

bool RenameOldPrograms(const char* binDir, bool serverProgramAbsent, bool oldProgramsFound, OldNamesChoice oldNames) {
    char oldServer[Z_MAX_PATH];
    char profilePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    char systemDir[Z_MAX_PATH];
    if (!JoinConfigPath(oldServer, binDir, "z40server.exe") || !SystemDirFromBinDir(systemDir, binDir) ||
        !JoinConfigPath(profilePath, systemDir, "PROFILE.INI") || !JoinConfigPath(newPath, systemDir, "PROFILE.NEW")) {
        return false;
    }
    // PROFILE.NEW is this step's work file only: one a stopped run left is
    // never taken for anything.
    DiscardWorkFile(newPath);
    // A run going on after an interruption may find the old programs gone
    // already: it found them when it started.
    if (oldProgramsFound || Z_IsValidFileName(oldServer)) {
        // The old batch files match "z40*.*" too: one whose launches are not
        // in the profile must not go with the programs.
        if (!KeepBatchFilesNotInProfile(binDir)) return false;
        Z_DeleteFiles(binDir, "z40*.*");
        // With the new programs already in place before this upgrade, the
        // profile was converted by an earlier run: only the old names come
        // back. Unless it still names the programs just deleted: that run
        // stopped before its rewrite, which this one finishes.
        if (!serverProgramAbsent && !ProfileNamesMissingOldPrograms(profilePath, binDir)) {
            KeepOldNames(binDir);
            return true;
        }
    } else if (!ProfileNamesMissingOldPrograms(profilePath, binDir)) {
        // No previous release here, or one whose renaming is complete. A
        // profile still naming old programs that are gone is what a run
        // stopped inside the renaming leaves: its rewrite is finished below.
        return true;
    }
    // The rewrite starts again from PROFILE.INI: a PROFILE.NEW left by a
    // stopped run may be short, and is overwritten.
    if (!RewriteProgramLines(profilePath, newPath)) {
        // The profile, when there is one, still names the old programs
        // (and so may whatever else the administrator launches them
        // with): without copies under those names they could not start.
        KeepOldNames(binDir);
        return false;
    }
    if (WantsOldNames(oldNames)) KeepOldNames(binDir);
    return true;
}
