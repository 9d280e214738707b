// The lexicon step of the upgrade: old names become new ones, the lexicons
// of the selected character set are created (or refilled with "DIC:"), the
// relation databases follow, and last the entity lexicon.
#include "system_lexicons.h"

#include "charset_numbers.h"
#include "relation_databases.h"
#include "shell_answers.h"
#include "system_lexicon_table.h"
#include "zelkit.h"
#include "zemshell.h"

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

bool CreateLexicon(RunContext& run, int lexicon) {
    const SystemLexiconDefinition& definition = SystemLexiconAt(lexicon);
    // Each lexicon is built and recorded in the character set of its name,
    // which for an all-ideograph lexicon may differ from the one selected.
    return CreateSystemLexicon(run, definition.name, definition.kind, definition.file, &run.outcome.lexiconIds[lexicon],
                               definition.charsetCode);
}

// The entity lexicon is made in the server's native character set.
bool CreateEntityLexicon(RunContext& run) {
    uint32_t id = 0;
    int nativeCharset = 0;
    if (!QueryNativeCharset(&nativeCharset)) return false;
    return CreateSystemLexicon(run, "SYS$ENTITY", DB_KIND_ENTITY_LEXICON, "entity.dic", &id,
                               LexiconCodeOfNative(nativeCharset));
}

}  // namespace

bool JournalSystemLexiconRenames(const RunContext& run) {
    for (const FileRename& rename : kOldLexiconFiles) {
        if (!JournalLexiconFileRename(run.journal.get(), run.choices.home, rename.oldName, rename.newName)) {
            return false;
        }
    }
    return true;
}

bool UpgradeSystemLexicons(RunContext& run) {
    const char* home = run.choices.home;
    const uint16_t charsetCode = run.choices.lexiconCharsetCode;
    LexiconIds& ids = run.outcome.lexiconIds;
    // Every rename recorded first: one flush of the journal before them all.
    if (!JournalSystemLexiconRenames(run)) return false;
    for (const FileRename& rename : kOldLexiconFiles) {
        bool renamed = false;
        if (!RenameLexiconFile(home, rename.oldName, rename.newName, &renamed)) return false;
        if (renamed) {
            run.actions.Note(ActionKind::FileRenamed, ActionGroup::Files,
                             HomeTarget(std::string("dict/") + rename.newName), rename.oldName);
        }
    }

    LexiconScan scan;
    if (!ScanSystemLexicons(run, &scan)) return false;

    for (int lexicon : kSegmentAndStop) {
        if (SystemLexiconAt(lexicon).charsetCode != charsetCode) scan.needed[lexicon] = false;
    }
    for (int lexicon : kSegmentAndStop) {
        if (scan.needed[lexicon] && !CreateLexicon(run, lexicon)) return false;
    }

    // An all-ideograph lexicon is wanted for every character set the server
    // holds lexicons or relation databases of.
    for (const IdeographLexicon& ideograph : kIdeographLexicons) {
        if (ids[ideograph.segment] == 0 && ids[ideograph.stop] == 0 && !(scan.*ideograph.present)) {
            scan.needed[ideograph.lexicon] = false;
        }
    }
    for (const IdeographLexicon& ideograph : kIdeographLexicons) {
        if (scan.needed[ideograph.lexicon] && !CreateLexicon(run, ideograph.lexicon)) return false;
    }

    for (bool needed : scan.needed) {
        if (needed) run.outcome.newSystemDatabase = true;
    }

    if (!CreateRelationDBs(run, charsetCode)) return false;

    if (scan.entityId != 0) return ReloadEntityLexicon(run, scan.entityId);
    return CreateEntityLexicon(run);
}

bool UpgradeEntityLexicon(RunContext& run) {
    ObjectEnv* env = &run.env;
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "SYSTEM", "SYS$ENTITY");
    if (chain == nullptr && !ShellFoundNothing()) return false;
    uint32_t id = 0;
    if (chain != nullptr && chain->kind == DB_KIND_ENTITY_LEXICON) id = chain->id;
    if (chain != nullptr) FreeDatabaseInfo(chain);

    if (id != 0) return ReloadEntityLexicon(run, id);
    return CreateEntityLexicon(run);
}
