// The lexicon step of the upgrade: old names become new ones, the lexicons
// of the selected character set are created (or refilled with "DIC:"), the
// relation databases follow, and last the entity lexicon.
#include "server/lexicon/system_lexicons.h"

#include "server/dictionary/relation_databases.h"
#include "server/dictionary/shell_answers.h"
#include "server/host/zelkit.h"
#include "server/host/zemshell.h"
#include "server/lexicon/lexicon_charsets.h"
#include "server/lexicon/system_lexicon_table.h"
#include "server/update/upgrade_state.h"

namespace {

struct FileRename {
    const char* oldName;
    const char* newName;
};
constexpr FileRename kOldLexiconFiles[] = {
    {"ZEL_Ambiguous.BIG", "ZEL_Ambiguous.BIG5"},
    {"ZEL_WBigram.BIG", "ZEL_WBigram.BIG5"},
    {"ZEL_CBigram.BIG", "ZEL_CBigram.BIG5"},
    {"ZEL_Single.BIG", "ZEL_Single.BIG5"},
};

constexpr int kSegmentAndStop[] = {SEGMENT_GB, STOP_GB, SEGMENT_BIG5, STOP_BIG5, SEGMENT_UTF8, STOP_UTF8};

struct IdeographLexicon {
    int lexicon;
    int segment;
    int stop;
    bool LexiconScan::*present;
};
constexpr IdeographLexicon kIdeographLexicons[] = {
    {IDEO_ALL_GB, SEGMENT_GB, STOP_GB, &LexiconScan::presentGb},
    {IDEO_ALL_BIG5, SEGMENT_BIG5, STOP_BIG5, &LexiconScan::presentBig5},
    {IDEO_ALL_UTF8, SEGMENT_UTF8, STOP_UTF8, &LexiconScan::presentUtf8},
};

int CreateLexicon(ObjectEnv* env, const char* home, int lexicon) {
    const SystemLexiconDefinition& definition = SystemLexiconAt(lexicon);
    // Each lexicon is built and recorded in the character set of its name,
    // which for an all-ideograph lexicon may differ from the one selected.
    return CreateSystemLexicon(env, home, definition.name, definition.kind, definition.file, SystemLexiconId(lexicon),
                               definition.charsetCode);
}

// The entity lexicon is made in the server's native character set.
int CreateEntityLexicon(ObjectEnv* env, const char* home) {
    uint32_t id = 0;
    int nativeCharset = 0;
    if (!QueryNativeCharset(&nativeCharset)) return 0;
    return CreateSystemLexicon(env, home, "SYS$ENTITY", DB_KIND_ENTITY_LEXICON, "entity.dic", &id,
                               LexiconCodeOfNative(nativeCharset));
}

}  // namespace

int UpgradeSystemLexicons(ObjectEnv* env, const char* home, uint16_t charsetCode) {
    for (const FileRename& rename : kOldLexiconFiles) {
        if (!RenameLexiconFile(home, rename.oldName, rename.newName)) return 0;
    }

    LexiconScan scan;
    if (!ScanSystemLexicons(env, &scan)) return 0;

    for (int lexicon : kSegmentAndStop) {
        if (SystemLexiconAt(lexicon).charsetCode != charsetCode) scan.needed[lexicon] = false;
    }
    for (int lexicon : kSegmentAndStop) {
        if (scan.needed[lexicon] && !CreateLexicon(env, home, lexicon)) return 0;
    }

    // An all-ideograph lexicon is wanted for every character set the server
    // holds lexicons or relation databases of.
    for (const IdeographLexicon& ideograph : kIdeographLexicons) {
        if (*SystemLexiconId(ideograph.segment) == 0 && *SystemLexiconId(ideograph.stop) == 0 &&
            !(scan.*ideograph.present)) {
            scan.needed[ideograph.lexicon] = false;
        }
    }
    for (const IdeographLexicon& ideograph : kIdeographLexicons) {
        if (scan.needed[ideograph.lexicon] && !CreateLexicon(env, home, ideograph.lexicon)) return 0;
    }

    for (bool needed : scan.needed) {
        if (needed) g_newSystemDatabase = 1;
    }

    if (!CreateRelationDBs(env, home, charsetCode)) return 0;

    if (scan.entityId != 0) return ReloadEntityLexicon(env, scan.entityId);
    return CreateEntityLexicon(env, home);
}

int UpgradeEntityLexicon(ObjectEnv* env, const char* home) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "SYSTEM", "SYS$ENTITY");
    if (chain == nullptr && !ShellFoundNothing()) return 0;
    uint32_t id = 0;
    if (chain != nullptr && chain->kind == DB_KIND_ENTITY_LEXICON) id = chain->id;
    if (chain != nullptr) FreeDatabaseInfo(chain);

    if (id != 0) return ReloadEntityLexicon(env, id);
    return CreateEntityLexicon(env, home);
}
