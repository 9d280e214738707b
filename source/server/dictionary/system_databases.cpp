#include "system_databases.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "shell_answers.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

// Lexicons of these kinds live in the dictionary only: the kernel keeps no
// data and no columns for them.
bool IsDictionaryOnlyKind(uint32_t kind) {
    return kind == 0x200000 || kind == 0x300000 || kind == 0x400000 || kind == 0x500000 || kind == 0x600000;
}

const char* KernelTypeName(uint32_t columnType) {
    switch (columnType) {
        case COLUMN_DATE: return "DATE";
        case COLUMN_NUMBER: return "NUMBER";
        case COLUMN_CHAR: return "CHAR";
        case COLUMN_DOCUMENT: return "DOCUMENT";
        case COLUMN_BIT: return "BIT";
        case COLUMN_PHRASE: return "PHRASE";
        default: return "";
    }
}

void FillKernelEntry(KernelColumnEntry* entry, const ColumnRecord& column, uint16_t columnNumber) {
    std::memset(entry, 0, sizeof *entry);
    entry->columnNumber = columnNumber;
    std::snprintf(entry->typeName, sizeof entry->typeName, "%s", KernelTypeName(column.type));
    entry->byte84 = static_cast<uint8_t>(column.value84 & 0xFF);
    entry->flag95 = column.flag95 == 1 ? 1 : 0;
    entry->flag96 = column.flag96 == 1 ? 1 : 0;
    entry->text104 = column.text104;
}

// One more entry at the end of the array; on failure the old array is freed.
KernelColumnEntry* GrowEntries(KernelColumnEntry* entries, int count) {
    size_t size = static_cast<size_t>(count) * sizeof(KernelColumnEntry);
    void* grown = entries == nullptr ? Z_MemAlloc(size, 0) : Z_MemRealloc(entries, size);
    if (grown == nullptr && entries != nullptr) Z_MemFree(entries);
    return static_cast<KernelColumnEntry*>(grown);
}

}  // namespace

bool CreateSystemDB(ObjectEnv* env, DatabaseRecord* database, ColumnRecord* columns, int columnCount, uint32_t* id) {
    // The caller's environment keeps its object kind; the shell is told the
    // kind through a copy.
    ObjectEnv copy = *env;
    copy.objectKind = OBJECT_DATABASE;
    uint32_t newId = 0;
    if (!NewDatabaseInfo(&copy, database, &newId)) return false;
    *id = newId;
    if (IsDictionaryOnlyKind(database->kind)) return true;

    if (columnCount < 0) columnCount = 0;
    tagZKS_CreateDB request;
    std::memset(&request, 0, sizeof request);
    request.databaseId = newId;
    request.directory = database->directory;
    request.text176 = database->text176;
    request.columnCount = static_cast<uint32_t>(columnCount);

    // A database left without some of its columns or its data would be
    // taken as present by every later run: what was made goes again.
    auto undo = [&]() {
        UndoSystemDBCreation(env, newId);
        *id = 0;
        return false;
    };
    copy.objectKind = OBJECT_COLUMN;
    KernelColumnEntry* entries = nullptr;
    for (int i = 0; i < columnCount; ++i) {
        ColumnRecord& column = columns[i];
        column.databaseId = newId;
        if (column.flag97 == 1) column.flag96 = 0;
        uint16_t columnNumber = 0;
        if (!NewDColumnInfo(&copy, newId, &column, 0, &columnNumber)) {
            if (entries != nullptr) Z_MemFree(entries);
            return undo();
        }
        entries = GrowEntries(entries, i + 1);
        if (entries == nullptr) return undo();
        FillKernelEntry(&entries[i], column, columnNumber);
    }

    request.columns = entries;
    int created = ZKF_CreateDB(&request);
    if (entries != nullptr) Z_MemFree(entries);
    return created != 0 ? true : undo();
}

bool RemoveSystemDB(ObjectEnv* env, uint32_t id) {
    if (!ZKF_RemoveDB(id)) return false;
    ObjectEnv copy = *env;
    copy.objectKind = OBJECT_COLUMN;
    if (!DeleteDColumnInfo(&copy, id, 0, "", 1)) return false;
    copy.objectKind = OBJECT_DATABASE;
    return DeleteDatabaseInfo(&copy, id, "", "") != 0;
}

bool UndoSystemDBCreation(ObjectEnv* env, uint32_t id) {
    const uint32_t code = Z_GetLastError();
    const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    const bool removed = RemoveSystemDB(env, id);
    Z_SetLastErrorText(code, "%s", text.c_str());
    return removed;
}

bool RemoveSdiBook(ObjectEnv* env, bool* removed) {
    bool ignored = false;
    if (removed == nullptr) removed = &ignored;
    *removed = false;
    uint32_t id = dicGetDatabaseID(env, "SYSTEM", "SDIBOOK");
    if (id == 0) return ShellFoundNothing();
    *removed = RemoveSystemDB(env, id);
    return *removed;
}
