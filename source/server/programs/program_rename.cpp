#include "server/programs/program_rename.h"

#include <cstdio>

#include "server/config/config_paths.h"
#include "server/host/zelkit.h"
#include "server/programs/program_lines.h"
#include "server/programs/program_names.h"
#include "server/update/command_line.h"

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

// The answer given with "OLD:", or else typed at the question.
bool WantsOldNames() {
    char answer[Z_MAX_LINE];
    if (!FindArgument("OLD:", answer, sizeof(answer))) {
        PrintNewNames();
        if (Z_InputConsoleLine(answer, sizeof(answer), 1) < 0) {
            return false;
        }
    }
    return ZSTRCMPI(answer, "YES") == 0 || ZSTRCMPI(answer, "Y") == 0;
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

int RenameOldPrograms(const char* binDir, int serverProgramAbsent) {
    char oldServer[Z_MAX_PATH];
    char profilePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    char systemDir[Z_MAX_PATH];
    if (!JoinConfigPath(oldServer, binDir, "z40server.exe") ||
        !SystemDirFromBinDir(systemDir, binDir) || !JoinConfigPath(profilePath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(newPath, systemDir, "PROFILE.NEW")) {
        return 0;
    }
    if (!Z_IsValidFileName(oldServer)) {
        return 1;  // no previous release in this directory
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
            return 0;
        }
        if (!WantsOldNames()) {
            return 1;
        }
    }
    KeepOldNames(binDir);
    return 1;
}
