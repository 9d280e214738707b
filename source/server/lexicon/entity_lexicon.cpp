// Reloads the installed entity lexicon SYS$ENTITY when "ENT:" asks for it.
#include <cstdio>

#include "server/dictionary/progress_reporters.h"
#include "server/host/zelkit.h"
#include "server/host/zemkernel.h"
#include "server/host/zemshell.h"
#include "server/lexicon/lexicon_paths.h"
#include "server/lexicon/system_lexicons.h"
#include "server/update/command_line.h"

int ReloadEntityLexicon(ObjectEnv* env, uint32_t id) {
    char sourcePath[Z_MAX_PATH];
    if (!BuildPackageFilePath(sourcePath, "entity.dic")) return 0;
    if (!Z_IsValidFileName(sourcePath)) return 1;

    // Without "ENT:" an installed entity lexicon stays as it is.
    char value[256];
    if (!FindArgument("ENT:", value, sizeof value)) return 1;

    if (ZSTRCMPI(value, "REW") == 0) {
        std::printf("Replacing dictionary SYS$ENTITY...\n");
        std::fflush(stdout);
        if (ZKF_CreateLexicon(id, nullptr, 0, nullptr, 1) < 0) return 0;
    } else if (ZSTRCMPI(value, "ADD") == 0) {
        std::printf("Appending dictionary SYS$ENTITY...\n");
        std::fflush(stdout);
    } else {
        std::printf("\nERROR: The argument(ENT:%s) is not supported!\n", value);
        std::fflush(stdout);
        // The driver prints the last error after this failure: let it name
        // this cause rather than an older one.
        Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "The argument(ENT:%s) is not supported!", value);
        return 0;
    }

    if (ZKF_AppendLexicon(id, sourcePath, 1, LexiconProgress) < 0) return 0;
    env->objectKind = OBJECT_DATABASE;
    return UpdateBaseRecordNum(env, id, "", "", 0, -1) != 0 ? 1 : 0;
}
