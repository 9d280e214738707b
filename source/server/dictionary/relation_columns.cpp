#include "relation_columns.h"

#include <cstring>

#include "shell_answers.h"
#include "zemshell.h"

namespace {

// The main term column of each relation database kind; null for other kinds.
const char* MainRelationColumn(uint32_t kind) {
    switch (kind) {
        case DB_KIND_THESAURUS: return "CTM";
        case DB_KIND_SYNONYM: return "STM";
        case DB_KIND_ANTONYM: return "ATM";
        default: return nullptr;
    }
}

void MakeUnchanged(ColumnRecord& update) {
    std::memset(&update, 0xFF, sizeof update);
    update.name = update.text16 = update.text32 = update.text48 = update.text56 = update.text64 = update.text72 =
        update.text104 = update.text112 = update.description = UNCHANGED_TEXT;
    update.pointer128 = nullptr;
}

enum class ColumnState { Current, NeedsUpdate, Failed };

// Whether the main column still lacks the flags the new kernel relies on. A
// database without that column is left alone.
ColumnState MainColumnState(ObjectEnv* env, uint32_t databaseId, const char* columnName) {
    ColumnRecord* column = GetDColumnInfo(env, databaseId, 0, columnName, 0);
    if (column == nullptr) return ShellFoundNothing() ? ColumnState::Current : ColumnState::Failed;
    bool needed = column->number != 0 && !(column->flag95 == 1 && column->flag97 == 0);
    FreeDColumnInfo(column);
    return needed ? ColumnState::NeedsUpdate : ColumnState::Current;
}

}  // namespace

bool UpdateRelationColumns(ObjectEnv* env) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "*", "*");
    if (chain == nullptr) return ShellFoundNothing();
    bool result = true;
    for (DatabaseRecord* database = chain; database != nullptr && result; database = database->next) {
        const char* columnName = MainRelationColumn(database->kind);
        if (columnName == nullptr) continue;
        env->objectKind = OBJECT_COLUMN;
        ColumnState state = MainColumnState(env, database->id, columnName);
        if (state == ColumnState::Failed) {
            result = false;
            break;
        }
        if (state == ColumnState::Current) continue;
        ColumnRecord update;
        MakeUnchanged(update);
        update.flag95 = 1;
        update.flag97 = 0;
        result = UpdateDColumnInfo(env, database->id, 0, columnName, &update) != 0;
    }
    FreeDatabaseInfo(chain);
    return result;
}
