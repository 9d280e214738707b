// Phase 1 of the upgrade: nothing of the home directory changes here, so
// every choice is checked and every gate passed before phase 2 begins.
#include <cstdio>
#include <cstring>

#include "server/host/zelkit.h"
#include "server/service/service_migration.h"
#include "server/update/command_line.h"
#include "server/update/error_line.h"
#include "server/update/menu_answer.h"
#include "server/update/upgrade_run.h"
#include "server/update/upgrade_sequence.h"
#include "server/update/upgrade_state.h"

namespace {

constexpr const char* kLegalNotice = "\nCopyright (c) The ZEL developers. All rights reserved.\n\n";

struct CharsetChoice {
    const char* answer;
    uint16_t code;
};
constexpr CharsetChoice kCharsetChoices[] = {
    {"0", CHARSET_CODE_NONE},
    {"1", CHARSET_CODE_GB18030},
    {"2", CHARSET_CODE_UTF8},
    {"3", CHARSET_CODE_BIG5},
};

bool MatchCharsetChoice(const char* answer, uint16_t* code) {
    for (const CharsetChoice& choice : kCharsetChoices) {
        if (ZSTRCMP(answer, choice.answer) == 0) {
            *code = choice.code;
            return true;
        }
    }
    return false;
}

bool ReadHomeDirectory(UpgradeRun& run) {
    if (!FindArgument("DIR:", run.home, Z_MAX_PATH)) {
        std::printf("\nInput the target dir of ZEL Server(e.g.: d:\\zelhome): ");
        std::fflush(stdout);
        if (Z_InputConsoleLine(run.home, Z_MAX_PATH, 1) < 0) {
            PrintToolkitErrorLine();
            return false;
        }
    }
    if (run.home[0] == '\0') {
        std::printf("\nERROR: The target dir of ZEL Server is not given!\n\n");
        return false;
    }
    // Every path of the run is built in buffers of Z_MAX_PATH characters; a
    // home directory that leaves no room for the longest name appended to it
    // is refused before anything changes.
    const size_t limit = Z_MAX_PATH - 1 - kLongestHomeSuffix;
    if (std::strlen(run.home) > limit) {
        std::printf("\nERROR: The target dir is longer than %d characters!\n\n", static_cast<int>(limit));
        return false;
    }
    // A home that the system cannot name as it was given (on Windows a
    // character outside the system code page) would send every step of the
    // run to another path.
    if (!Z_CheckPathText(run.home)) {
        PrintToolkitErrorLine();
        return false;
    }
    return true;
}

bool ReadDictionaryMode() {
    char value[Z_MAX_PATH];
    if (!FindArgument("DIC:", value, sizeof value)) return true;
    if (ZSTRCMPI(value, "RIX") == 0) {
        g_dictionaryMode = 1;
    } else if (ZSTRCMPI(value, "REW") == 0) {
        g_dictionaryMode = -1;
    } else {
        std::printf("\nERROR: The argument(DIC:%s) is not supported!\n", value);
        return false;
    }
    return true;
}

bool ReadLexiconCharset(UpgradeRun& run) {
    char value[Z_MAX_PATH];
    if (FindArgument("NEW:", value, sizeof value)) {
        if (MatchCharsetChoice(value, &run.lexiconCharsetCode)) return true;
        std::printf("\nERROR: The charset is not supported!\n");
        return false;
    }
    for (;;) {
        if (g_dictionaryMode == 0) {
            std::printf("\nPlease select the character set for added dictionaries:");
        } else {
            std::printf("\nPlease select the character set for modified dictionaries:");
        }
        std::printf("\n0: NONE\n1: GB18030\n2: UTF8\n3: BIG5\nYou select: ");
        std::fflush(stdout);
        if (!ReadMenuAnswer(value, sizeof value)) return false;
        if (MatchCharsetChoice(value, &run.lexiconCharsetCode)) return true;
        std::printf("\nThe selection is invalid!\n");
    }
}

// Builds HOME, a separator and the given names into path.
bool HomePath(const UpgradeRun& run, char* path, const char* first, const char* second) {
    std::snprintf(path, Z_MAX_PATH, "%s", run.home);
    return Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, first) &&
           (second == nullptr || (Z_AppendSubdirSymbol(path, 0) && Z_AppendPath(path, second)));
}

}  // namespace

int LocatePackageDir(const char* programPath) {
    if (!Z_GotoProgramDir(programPath)) return 0;
    return Z_GetCurrentDir(g_packageDir, Z_MAX_PATH) != nullptr && g_packageDir[0] != '\0' ? 1 : 0;
}

bool StartUpgrade(UpgradeRun& run) {
    std::printf("\nZEL(R) Enterprise Database %s %.2f.%d.%d%s", "Upgrade", 6.8, 5290, 64, "");
    std::printf("%s", kLegalNotice);
    std::fflush(stdout);

    if (!LocatePackageDir(ProgramPathArgument())) {
        PrintToolkitErrorLine();
        return false;
    }
    if (!ReadHomeDirectory(run)) return false;
    if (!ReadDictionaryMode()) return false;
    if (!ReadLexiconCharset(run)) return false;

    if (IsServerRunning(run.home)) {
        std::printf("\nERROR: The server is running, please shutdown!\n\n");
        return false;
    }

    char path[Z_MAX_PATH];
    if (!HomePath(run, path, "bin", "zelserver.exe")) {
        PrintToolkitErrorLine();
        return false;
    }
    run.serverProgramAbsent = Z_IsValidFileName(path) ? 0 : 1;

    if (!HomePath(run, path, "bin", nullptr)) {
        PrintToolkitErrorLine();
        return false;
    }
    run.oldServiceResult = RemoveOldService(path);
    if (run.oldServiceResult < 0) return false;

    Z_ChangeDir(path);
    std::fflush(stdout);
    return true;
}
