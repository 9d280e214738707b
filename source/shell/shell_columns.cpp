// Column records (BASECOL.DIC).
#include <algorithm>

#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "zelkit.h"
#include "zemshell.h"

using namespace zel::shell;

namespace {

struct Fields {
    const FieldLayout& number = *ColumnLayout().Find("number");
    const FieldLayout& databaseId = *ColumnLayout().Find("databaseId");
    const FieldLayout& name = *ColumnLayout().Find("name");
};

const Fields& F() {
    static const Fields fields;
    return fields;
}

uint16_t NumberOf(const StoredRecord& record) { return static_cast<uint16_t>(ReadField(F().number, record.data())); }
std::string NameOf(const StoredRecord& record) { return ReadTextField(F().name, record.data()); }

ColumnKeys KeysOf(const StoredRecord& record) {
    return ColumnKeys{static_cast<uint32_t>(ReadField(F().databaseId, record.data())), NumberOf(record),
                      FoldName(NameOf(record))};
}

uint32_t FindColumn(const OpenDictionary& dictionary, uint32_t databaseId, const char* name) {
    if (name == nullptr) return NO_SLOT;
    return dictionary.columns.FindName(databaseId, FoldName(name));
}

std::string Describe(uint32_t databaseId, const char* name) {
    return "database " + std::to_string(databaseId) + " has no column " + TextOrEmpty(name);
}

bool PutColumn(const char* operation, OpenDictionary& dictionary, uint32_t slot, StoredRecord stored) {
    ColumnKeys keys = KeysOf(stored);
    FileChange change(dictionary.columnFile);
    change.Put(slot, std::move(stored));
    if (!CommitChange(operation, dictionary, change)) return false;
    dictionary.columns.Set(slot, std::move(keys));
    return true;
}

// Removes the records at slots in one change. Each removal moves the last
// record into the gap; taking the highest slot first, a record that moves
// is never one still to be removed.
bool RemoveColumns(const char* operation, OpenDictionary& dictionary, std::vector<uint32_t> slots) {
    std::sort(slots.rbegin(), slots.rend());
    FileChange change(dictionary.columnFile);
    std::vector<std::pair<uint32_t, uint32_t>> moves;
    DictFailure failure;
    for (uint32_t slot : slots) {
        uint32_t movedFrom = slot;
        if (!change.Remove(slot, &movedFrom, &failure)) return ReportFailure(operation, failure) != 0;
        moves.emplace_back(slot, movedFrom);
    }
    if (!CommitChange(operation, dictionary, change)) return false;
    for (const auto& [slot, movedFrom] : moves) dictionary.columns.Remove(slot, movedFrom);
    return true;
}

}  // namespace

int NewDColumnInfo(ObjectEnv* env, uint32_t databaseId, ColumnRecord* column, int, uint16_t* columnNumber) {
    const char* operation = "NewDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (column == nullptr || column->name == nullptr || column->name[0] == '\0' || IsUnchangedText(column->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a column needs a name");
    }
    if (dictionary->databases.FindId(databaseId) == NO_SLOT) {
        return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, "no database has the id " + std::to_string(databaseId));
    }
    if (FindColumn(*dictionary, databaseId, column->name) != NO_SLOT) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "database " + std::to_string(databaseId) + " has a column " + column->name + " already");
    }
    uint32_t highest = 0;
    for (uint32_t slot : dictionary->columns.OfDatabase(databaseId)) {
        highest = std::max<uint32_t>(highest, dictionary->columns.At(slot).number);
    }
    if (highest >= 0xFFFE) return ReportFailure(operation, SHELL_ERROR_NO_ID, "every column number is used up");
    ColumnRecord definition = *column;
    definition.number = static_cast<uint16_t>(highest + 1);
    definition.databaseId = databaseId;
    StoredRecord stored(ColumnLayout().diskSize, 0);
    std::string error;
    if (!EncodeRecord(ColumnLayout(), &definition, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    if (!PutColumn(operation, *dictionary, dictionary->columnFile.Count(), std::move(stored))) return 0;
    if (columnNumber != nullptr) *columnNumber = definition.number;
    return 1;
}

// With the name "*" all columns of the database come back, in number order,
// followed by a record whose number is 0.
ColumnRecord* GetDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, int) {
    const char* operation = "GetDColumnInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return nullptr;
    std::vector<uint32_t> slots;
    if (IsAllPattern(columnName)) {
        slots = dictionary->columns.OfDatabase(databaseId);
    } else {
        const uint32_t slot = FindColumn(*dictionary, databaseId, columnName);
        if (slot != NO_SLOT) slots.push_back(slot);
    }
    if (slots.empty()) {
        ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
        return nullptr;
    }
    const ColumnIndex& index = dictionary->columns;
    std::sort(slots.begin(), slots.end(), [&](uint32_t a, uint32_t b) {
        return index.At(a).number != index.At(b).number ? index.At(a).number < index.At(b).number : a < b;
    });
    std::vector<StoredRecord> records(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!ReadRecord(operation, dictionary->columnFile, slots[i], &records[i])) return nullptr;
    }
    ColumnRecord* list = MakeColumnList(records);
    if (list == nullptr) ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
    return list;
}

void FreeDColumnInfo(ColumnRecord* column) { ReleaseBlock(column); }

int UpdateDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, ColumnRecord* update) {
    const char* operation = "UpdateDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    const uint32_t slot = FindColumn(*dictionary, databaseId, columnName);
    if (slot == NO_SLOT) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
    StoredRecord before;
    if (!ReadRecord(operation, dictionary->columnFile, slot, &before)) return 0;
    StoredRecord stored = before;
    if ((update->number != 0xFFFF && update->number != NumberOf(stored)) ||
        (update->databaseId != 0xFFFFFFFFu && update->databaseId != databaseId)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a column keeps its number and its database");
    }
    std::string error;
    if (!ApplyUpdate(ColumnLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    std::string newName = NameOf(stored);
    if (newName.empty()) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a column needs a name");
    const uint32_t holder = FindColumn(*dictionary, databaseId, newName.c_str());
    if (holder != NO_SLOT && holder != slot) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "database " + std::to_string(databaseId) + " has a column " + newName + " already");
    }
    if (stored == before) return 1;
    return PutColumn(operation, *dictionary, slot, std::move(stored)) ? 1 : 0;
}

int DeleteDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, int all) {
    const char* operation = "DeleteDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (all != 0) {
        const std::vector<uint32_t>& slots = dictionary->columns.OfDatabase(databaseId);
        if (slots.empty()) return 1;
        return RemoveColumns(operation, *dictionary, slots) ? 1 : 0;
    }
    const uint32_t slot = FindColumn(*dictionary, databaseId, columnName);
    if (slot == NO_SLOT) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
    return RemoveColumns(operation, *dictionary, {slot}) ? 1 : 0;
}
