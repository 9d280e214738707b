// Column records (BASECOL.DIC).
#include <algorithm>

#include "zelkit.h"
#include "zemshell.h"
#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"

using namespace zel::shell;

namespace {

const FieldLayout& Field(const char* name) { return *ColumnLayout().Find(name); }

uint32_t DatabaseOf(const StoredRecord& record) {
    return static_cast<uint32_t>(ReadField(Field("databaseId"), record.data()));
}
uint16_t NumberOf(const StoredRecord& record) {
    return static_cast<uint16_t>(ReadField(Field("number"), record.data()));
}
std::string NameOf(const StoredRecord& record) { return ReadTextField(Field("name"), record.data()); }

bool DatabaseExists(const OpenDictionary& dictionary, uint32_t id) {
    const FieldLayout& idField = *DatabaseLayout().Find("id");
    for (const StoredRecord& record : dictionary.databases.records) {
        if (ReadField(idField, record.data()) == id) return true;
    }
    return false;
}

int FindColumn(const OpenDictionary& dictionary, uint32_t databaseId, const char* name, int except = -1) {
    const StoredRecords& records = dictionary.columns.records;
    for (size_t i = 0; i < records.size(); ++i) {
        if (static_cast<int>(i) != except && DatabaseOf(records[i]) == databaseId &&
            SameName(NameOf(records[i]), name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Describe(uint32_t databaseId, const char* name) {
    return "database " + std::to_string(databaseId) + " has no column " + TextOrEmpty(name);
}

OpenDictionary* Begin(const char* operation, ObjectEnv* env) {
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary != nullptr && env == nullptr) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment");
        return nullptr;
    }
    return dictionary;
}

}  // namespace

int NewDColumnInfo(ObjectEnv* env, uint32_t databaseId, ColumnRecord* column, int, uint16_t* columnNumber) {
    const char* operation = "NewDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (column == nullptr || column->name == nullptr || column->name[0] == '\0' || IsUnchangedText(column->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a column needs a name");
    }
    if (!DatabaseExists(*dictionary, databaseId)) {
        return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, "no database has the id " + std::to_string(databaseId));
    }
    if (FindColumn(*dictionary, databaseId, column->name) >= 0) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "database " + std::to_string(databaseId) + " has a column " + column->name + " already");
    }
    uint32_t highest = 0;
    for (const StoredRecord& record : dictionary->columns.records) {
        if (DatabaseOf(record) == databaseId) highest = std::max<uint32_t>(highest, NumberOf(record));
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
    StoredRecords records = dictionary->columns.records;
    records.push_back(std::move(stored));
    if (!CommitRecords(operation, dictionary->columns, std::move(records))) return 0;
    if (columnNumber != nullptr) *columnNumber = definition.number;
    return 1;
}

// With the name "*" all columns of the database come back, in number order,
// followed by a record whose number is 0.
ColumnRecord* GetDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, int) {
    const char* operation = "GetDColumnInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return nullptr;
    std::vector<const StoredRecord*> matches;
    for (const StoredRecord& record : dictionary->columns.records) {
        if (DatabaseOf(record) == databaseId && MatchesPattern(columnName, NameOf(record))) matches.push_back(&record);
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const StoredRecord* a, const StoredRecord* b) { return NumberOf(*a) < NumberOf(*b); });
    if (matches.empty()) {
        ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
        return nullptr;
    }
    ColumnRecord* list = MakeColumnList(matches);
    if (list == nullptr) ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
    return list;
}

void FreeDColumnInfo(ColumnRecord* column) { ReleaseBlock(column); }

int UpdateDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, ColumnRecord* update) {
    const char* operation = "UpdateDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    int index = FindColumn(*dictionary, databaseId, columnName);
    if (index < 0) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
    StoredRecord stored = dictionary->columns.records[static_cast<size_t>(index)];
    if ((update->number != 0xFFFF && update->number != NumberOf(stored)) ||
        (update->databaseId != 0xFFFFFFFFu && update->databaseId != databaseId)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD,
                             "a column keeps its number and its database");
    }
    std::string error;
    if (!ApplyUpdate(ColumnLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    std::string newName = NameOf(stored);
    if (newName.empty()) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a column needs a name");
    if (FindColumn(*dictionary, databaseId, newName.c_str(), index) >= 0) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "database " + std::to_string(databaseId) + " has a column " + newName + " already");
    }
    if (stored == dictionary->columns.records[static_cast<size_t>(index)]) return 1;
    StoredRecords records = dictionary->columns.records;
    records[static_cast<size_t>(index)] = std::move(stored);
    return CommitRecords(operation, dictionary->columns, std::move(records)) ? 1 : 0;
}

int DeleteDColumnInfo(ObjectEnv* env, uint32_t databaseId, int, const char* columnName, int all) {
    const char* operation = "DeleteDColumnInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    StoredRecords records = dictionary->columns.records;
    size_t before = records.size();
    if (all != 0) {
        std::erase_if(records, [&](const StoredRecord& record) { return DatabaseOf(record) == databaseId; });
        if (records.size() == before) return 1;
    } else {
        int index = FindColumn(*dictionary, databaseId, columnName);
        if (index < 0) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(databaseId, columnName));
        records.erase(records.begin() + index);
    }
    return CommitRecords(operation, dictionary->columns, std::move(records)) ? 1 : 0;
}
