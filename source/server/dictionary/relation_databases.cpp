#include "relation_databases.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "charset_numbers.h"
#include "console.h"
#include "dictionary_paths.h"
#include "progress_reporters.h"
#include "shell_answers.h"
#include "system_databases.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

struct RelationColumnText {
    const char* name;
    const char* description;
};

constexpr RelationColumnText kThesaurusColumns[] = {
    {"CTM", "This is CTM of thesaurus"}, {"CLT", "This is CLT of thesaurus"},   {"CBT", "This is CBT of thesaurus"},
    {"CNT", "This is CNT of thesaurus"}, {"CPT", "This is CPT of thesaurus"},   {"CUF", "This is CUF of thesaurus"},
    {"CCC", "This is CCC of thesaurus"}, {"CAB", "This is CAB of thesaurus"},   {"CABF", "This is CABF of thesaurus"},
    {"CRT", "This is CRT of thesaurus"}, {"CHN", "This is CHN of thesaurus"},   {"CSN", "This is CSN of thesaurus"},
    {"CLE", "This is CLE of thesaurus"}, {"CPCC", "This is CPCC of thesaurus"},
};
constexpr RelationColumnText kSynonymColumns[] = {{"STM", "This is STM of synonym"}};
constexpr RelationColumnText kAntonymColumns[] = {{"ATM", "This is ATM of antonym"}};

struct RelationDefinition {
    uint32_t placeholderId;
    uint32_t kind;
    RelationKindIndex relation;
    const char* sourceFile;
    const char* namePrefix;
    const char* description;
    const RelationColumnText* columns;
    int columnCount;
};

constexpr RelationDefinition kRelationDefinitions[] = {
    {3, DB_KIND_THESAURUS, RELATION_THESAURUS, "thesaurus.dic", "THESAURUS_", "This is system thesaurus",
     kThesaurusColumns, static_cast<int>(std::size(kThesaurusColumns))},
    {4, DB_KIND_SYNONYM, RELATION_SYNONYM, "synonym.dic", "SYNONYM_", "This is system synonym", kSynonymColumns, 1},
    {5, DB_KIND_ANTONYM, RELATION_ANTONYM, "antonym.dic", "ANTONYM_", "This is system antonym", kAntonymColumns, 1},
};

const char* CharsetSuffix(uint16_t charsetCode) {
    const CharsetNumbers* set = CharsetOfCode(charsetCode);
    return set != nullptr ? set->suffix : "";
}

// A definition completed for one charset: the database record and its
// columns, with the texts they point to. The shell copies what it keeps.
struct ColumnTexts {
    char name[16];
    char description[48];
};

struct RelationDatabase {
    char name[64] = {};
    char owner[8] = "SYSTEM";
    char description[64] = {};
    char empty[1] = {};
    DatabaseRecord record;
    std::vector<ColumnRecord> columns;
    std::vector<ColumnTexts> columnTexts;
};

void CompleteDefinition(const RelationDefinition& definition, uint16_t charsetCode, char* dictDir,
                        RelationDatabase& database) {
    std::snprintf(database.name, sizeof database.name, "%s%s", definition.namePrefix, CharsetSuffix(charsetCode));
    std::snprintf(database.description, sizeof database.description, "%s", definition.description);

    DatabaseRecord& record = database.record;
    std::memset(&record, 0, sizeof record);
    record.id = definition.placeholderId;
    record.kind = definition.kind;
    record.name = database.name;
    record.secondName = database.empty;
    record.owner = database.owner;
    record.value48 = 1;
    record.charsetCode = charsetCode;
    record.text96 = record.text104 = record.text112 = record.text120 = record.text128 = database.empty;
    record.value148 = 256;
    record.value164 = 0xB0000000;
    record.directory = dictDir;
    record.text176 = database.empty;
    record.description = database.description;

    database.columns.assign(static_cast<size_t>(definition.columnCount), ColumnRecord{});
    database.columnTexts.assign(static_cast<size_t>(definition.columnCount), ColumnTexts{});
    for (int i = 0; i < definition.columnCount; ++i) {
        ColumnRecord& column = database.columns[static_cast<size_t>(i)];
        std::memset(&column, 0, sizeof column);
        column.number = static_cast<uint16_t>(i + 1);
        ColumnTexts& texts = database.columnTexts[static_cast<size_t>(i)];
        std::snprintf(texts.name, sizeof texts.name, "%s", definition.columns[i].name);
        std::snprintf(texts.description, sizeof texts.description, "%s", definition.columns[i].description);
        column.name = texts.name;
        column.description = texts.description;
        column.text16 = column.text32 = column.text48 = column.text56 = column.text64 = column.text72 = database.empty;
        column.text104 = column.text112 = database.empty;
        column.type = COLUMN_CHAR;
        column.databaseId = definition.placeholderId;
        column.value84 = 60;
        column.flag94 = 1;
        column.flag95 = 1;
        column.flag96 = 0;
        column.flag97 = 0;
        // The first column is the relation's main term.
        column.flag98 = i == 0 ? 1 : 0;
    }
}

// Fills the database from its source file and optimizes it.
bool LoadRelationDatabase(ObjectEnv* env, uint32_t id, char* sourcePath) {
    tagZKS_LoadDBRec load;
    std::memset(&load, 0, sizeof load);
    load.databaseId = id;
    load.sourcePath = sourcePath;
    load.value36 = 1;
    load.progress = LoadProgress;
    tagZKS_MaintDBReport report;
    std::memset(&report, 0, sizeof report);
    int64_t loaded = ZKF_LoadDBRecords(&load, &report, 1, 1);
    if (loaded < 0) return false;

    if (!UpdateBaseRecordNum(env, id, "", "", loaded, -1)) return false;

    tagZKS_OptimizeDB optimize;
    std::memset(&optimize, 0, sizeof optimize);
    optimize.databaseId = id;
    optimize.value4 = 1;
    optimize.progress = OptimizeProgress;
    return ZKF_OptimizeDB(&optimize) != 0;
}

}  // namespace

bool CreateRelationDBs(RunContext& run, uint16_t charsetCode) {
    ObjectEnv* env = &run.env;
    DictionaryOutcome& outcome = run.outcome;
    if (charsetCode == CHARSET_CODE_UTF8) {
        // UTF8 relations need a server that holds a native charset.
        int nativeCharset = 0;
        if (!QueryNativeCharset(&nativeCharset)) return false;
        if (nativeCharset == 0) return true;
    }
    if (!Z_AssignCharset(LexiconCharsetOf(charsetCode), 1)) return false;

    char dictDir[Z_MAX_PATH];
    if (!BuildDirPath(dictDir, run.choices.home, "dict", nullptr)) return false;
    env->objectKind = OBJECT_DATABASE;
    int charsetIndex = RelationCharsetIndexOf(charsetCode);

    for (const RelationDefinition& definition : kRelationDefinitions) {
        char sourcePath[Z_MAX_PATH];
        if (!BuildDirPath(sourcePath, run.choices.packageDir, definition.sourceFile, nullptr)) return false;
        const int source = Z_FileExists(sourcePath);
        if (source < 0) return false;
        if (source == 0) continue;

        RelationDatabase database;
        CompleteDefinition(definition, charsetCode, dictDir, database);

        uint32_t id = 0;
        bool created = false;
        DatabaseRecord* found = GetDatabaseInfo(env, 0, "SYSTEM", database.name);
        if (found != nullptr) {
            id = found->id;
            // Existing relations are refilled only on request, and only those
            // of the charset being upgraded.
            bool refill = run.choices.dictionaryMode != DICTIONARY_MODE_ADD && found->charsetCode == charsetCode;
            FreeDatabaseInfo(found);
            if (!refill) continue;
            tagZKS_DeleteDBRec emptying;
            std::memset(&emptying, 0, sizeof emptying);
            emptying.databaseId = id;
            if (ZKF_DeleteDBRecords(&emptying, 1, 1, nullptr) < 0) return false;
        } else {
            if (!ShellFoundNothing()) return false;
            if (!CreateSystemDB(env, &database.record, database.columns.data(), definition.columnCount, &id)) {
                return false;
            }
            created = true;
            outcome.newSystemDatabase = true;
        }

        ConsolePrint("Creating new system %s...\n", database.name);
        if (charsetIndex >= 0) outcome.relationIds[definition.relation][charsetIndex] = id;

        if (!LoadRelationDatabase(env, id, sourcePath)) {
            // A database made in this call but not filled would pass for a
            // finished one in every later run; it goes, and the next run
            // makes it again.
            if (created) {
                UndoSystemDBCreation(env, id);
                if (charsetIndex >= 0) outcome.relationIds[definition.relation][charsetIndex] = 0;
            }
            return false;
        }
        run.actions.Note(created ? ActionKind::DatabaseMade : ActionKind::DatabaseRefilled, ActionGroup::Databases,
                         database.name);
    }
    return true;
}
