// Reloads the installed entity lexicon SYS$ENTITY when "ENT:" asks for it
// (the value was checked when the run started).
#include <cstdio>

#include "charset_numbers.h"
#include "console.h"
#include "lexicon_paths.h"
#include "progress_reporters.h"
#include "shell_answers.h"
#include "system_lexicons.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

// The entries must be converted to the character set the installed lexicon
// was built in, whatever set earlier lexicon work of the run selected.
bool AssignEntityCharset(ObjectEnv* env, uint32_t id) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "SYSTEM", "SYS$ENTITY");
    if (chain == nullptr && !ShellFoundNothing()) return false;
    uint16_t code = 0;
    for (const DatabaseRecord* db = chain; db != nullptr; db = db->next) {
        if (db->id == id) code = db->charsetCode;
    }
    if (chain != nullptr) FreeDatabaseInfo(chain);
    if (code == 0) {
        int nativeCharset = 0;
        if (!QueryNativeCharset(&nativeCharset)) return false;
        code = LexiconCodeOfNative(nativeCharset);
    }
    return Z_AssignCharset(LexiconCharsetOf(code), 1);
}

}  // namespace

bool ReloadEntityLexicon(RunContext& run, uint32_t id) {
    char sourcePath[Z_MAX_PATH];
    if (!BuildPackageFilePath(sourcePath, run.choices.packageDir, "entity.dic")) return false;
    const int source = Z_FileExists(sourcePath);
    if (source <= 0) return source == 0;

    // Without "ENT:" an installed entity lexicon stays as it is.
    if (run.choices.entity == EntityChoice::Keep) return true;
    if (!AssignEntityCharset(&run.env, id)) return false;

    if (run.choices.entity == EntityChoice::Replace) {
        ConsolePrint("Replacing dictionary SYS$ENTITY...\n");
        if (ZKF_CreateLexicon(id, nullptr, 0, nullptr, 1) < 0) return false;
    } else {
        ConsolePrint("Appending dictionary SYS$ENTITY...\n");
    }

    if (ZKF_AppendLexicon(id, sourcePath, 1, LexiconProgress) < 0) return false;
    run.env.objectKind = OBJECT_DATABASE;
    if (UpdateBaseRecordNum(&run.env, id, "", "", 0, -1) == 0) return false;
    run.actions.Note(ActionKind::DatabaseRefilled, ActionGroup::Databases, "SYS$ENTITY",
                     run.choices.entity == EntityChoice::Replace ? "replaced" : "appended to");
    return true;
}
