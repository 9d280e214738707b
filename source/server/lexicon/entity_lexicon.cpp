// Reloads the installed entity lexicon SYS$ENTITY when "ENT:" asks for it.
#include <cstdio>

#include "server/dictionary/progress_reporters.h"
#include "server/dictionary/shell_answers.h"
#include "server/host/zelkit.h"
#include "server/host/zemkernel.h"
#include "server/host/zemshell.h"
#include "server/lexicon/lexicon_charsets.h"
#include "server/lexicon/lexicon_paths.h"
#include "server/lexicon/system_lexicons.h"
#include "server/update/command_line.h"

namespace {

// The entries must be converted to the character set the installed lexicon
// was built in, whatever set earlier lexicon work of the run selected.
int AssignEntityCharset(ObjectEnv* env, uint32_t id) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "SYSTEM", "SYS$ENTITY");
    if (chain == nullptr && !ShellFoundNothing()) return 0;
    uint16_t code = 0;
    for (const DatabaseRecord* db = chain; db != nullptr; db = db->next) {
        if (db->id == id) code = db->charsetCode;
    }
    if (chain != nullptr) FreeDatabaseInfo(chain);
    if (code == 0) {
        int nativeCharset = 0;
        if (!QueryNativeCharset(&nativeCharset)) return 0;
        code = LexiconCodeOfNative(nativeCharset);
    }
    return Z_AssignCharset(LexiconCharsetOf(code), 1);
}

}  // namespace

int ReloadEntityLexicon(ObjectEnv* env, uint32_t id) {
    char sourcePath[Z_MAX_PATH];
    if (!BuildPackageFilePath(sourcePath, "entity.dic")) return 0;
    if (!Z_IsValidFileName(sourcePath)) return 1;

    // Without "ENT:" an installed entity lexicon stays as it is.
    char value[256];
    if (!FindArgument("ENT:", value, sizeof value)) return 1;

    const bool replace = ZSTRCMPI(value, "REW") == 0;
    if (!replace && ZSTRCMPI(value, "ADD") != 0) {
        std::printf("\nERROR: The argument(ENT:%s) is not supported!\n", value);
        std::fflush(stdout);
        // The driver prints the last error after this failure: let it name
        // this cause rather than an older one.
        Z_SetLastErrorText(Z_ERROR_BAD_ARGUMENT, "The argument(ENT:%s) is not supported!", value);
        return 0;
    }
    if (!AssignEntityCharset(env, id)) return 0;

    if (replace) {
        std::printf("Replacing dictionary SYS$ENTITY...\n");
        std::fflush(stdout);
        if (ZKF_CreateLexicon(id, nullptr, 0, nullptr, 1) < 0) return 0;
    } else {
        std::printf("Appending dictionary SYS$ENTITY...\n");
        std::fflush(stdout);
    }

    if (ZKF_AppendLexicon(id, sourcePath, 1, LexiconProgress) < 0) return 0;
    env->objectKind = OBJECT_DATABASE;
    return UpdateBaseRecordNum(env, id, "", "", 0, -1) != 0 ? 1 : 0;
}
