#include "program_rename.h"

#include <cstdio>

#include "config_paths.h"
#include "zelkit.h"
#include "program_lines.h"
#include "program_names.h"

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

}  // namespace

bool RenameOldPrograms(const char* binDir, bool serverProgramAbsent, OldNamesChoice oldNames) {
    char oldServer[Z_MAX_PATH];
    char profilePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    char systemDir[Z_MAX_PATH];
    if (!JoinConfigPath(oldServer, binDir, "z40server.exe") ||
        !SystemDirFromBinDir(systemDir, binDir) || !JoinConfigPath(profilePath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(newPath, systemDir, "PROFILE.NEW")) {
        return false;
    }
    if (!Z_IsValidFileName(oldServer)) {
        return true;  // no previous release in this directory
    }
    Z_DeleteFiles(binDir, "z40*.*");
    // With the new programs already in place before this upgrade, the
    // profile was converted by an earlier run: only the old names come back.
    if (serverProgramAbsent) {
        if (!RewriteProgramLines(profilePath, newPath)) {
            // The profile, when there is one, still names the old programs
            // (and so may whatever else the administrator launches them
            // with): without copies under those names they could not start.
            KeepOldNames(binDir);
            return false;
        }
        if (!WantsOldNames(oldNames)) {
            return true;
        }
    }
    KeepOldNames(binDir);
    return true;
}
