// Database records (BASE.DIC).
#include <algorithm>

#include "zelkit.h"
#include "zemshell.h"
#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "shell_catalog.h"

using namespace zel::shell;

namespace {

// Databases made without an owner belong to the system: the upgrade makes
// its lexicons that way and later looks them up under "SYSTEM".
constexpr const char* DEFAULT_OWNER = "SYSTEM";

const FieldLayout& Field(const char* name) { return *DatabaseLayout().Find(name); }

uint32_t IdOf(const StoredRecord& record) { return static_cast<uint32_t>(ReadField(Field("id"), record.data())); }
std::string NameOf(const StoredRecord& record) { return ReadTextField(Field("name"), record.data()); }
std::string OwnerOf(const StoredRecord& record) { return ReadTextField(Field("owner"), record.data()); }

// By id, or, when the id is 0, by owner and name.
int FindIndex(const OpenDictionary& dictionary, uint32_t id, const char* owner, const char* name) {
    const StoredRecords& records = dictionary.databases.records;
    for (size_t i = 0; i < records.size(); ++i) {
        if (id != 0 ? IdOf(records[i]) == id
                    : (SameName(OwnerOf(records[i]), owner) && SameName(NameOf(records[i]), name))) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool NameTaken(const OpenDictionary& dictionary, const std::string& owner, const std::string& name, int except) {
    const StoredRecords& records = dictionary.databases.records;
    for (size_t i = 0; i < records.size(); ++i) {
        if (static_cast<int>(i) != except && SameName(OwnerOf(records[i]), owner.c_str()) &&
            SameName(NameOf(records[i]), name.c_str())) {
            return true;
        }
    }
    return false;
}

std::string Describe(uint32_t id, const char* owner, const char* name) {
    if (id != 0) return "no database has the id " + std::to_string(id);
    return "no database " + TextOrEmpty(owner) + "." + TextOrEmpty(name);
}

bool IsRealText(const char* text) { return text != nullptr && !IsUnchangedText(text); }

OpenDictionary* Begin(const char* operation, ObjectEnv* env) {
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary != nullptr && env == nullptr) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment");
        return nullptr;
    }
    return dictionary;
}

}  // namespace

DatabaseRecord* GetDatabaseInfo(ObjectEnv* env, int, const char* owner, const char* name) {
    if (Z_FaultPoint("GetDatabaseInfo")) return nullptr;
    OpenDictionary* dictionary = Begin("GetDatabaseInfo", env);
    if (dictionary == nullptr) return nullptr;
    std::vector<const StoredRecord*> matches;
    for (const StoredRecord& record : dictionary->databases.records) {
        if (MatchesPattern(owner, OwnerOf(record)) && MatchesPattern(name, NameOf(record))) matches.push_back(&record);
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const StoredRecord* a, const StoredRecord* b) { return IdOf(*a) < IdOf(*b); });
    if (matches.empty()) {
        ReportFailure("GetDatabaseInfo", SHELL_ERROR_NOT_FOUND,
                      "no database matches " + TextOrEmpty(owner) + "." + TextOrEmpty(name));
        return nullptr;
    }
    DatabaseRecord* chain = MakeDatabaseChain(matches);
    if (chain == nullptr) ReportFailure("GetDatabaseInfo", SHELL_ERROR_NO_MEMORY, "out of memory");
    return chain;
}

void FreeDatabaseInfo(DatabaseRecord* chain) {
    while (chain != nullptr) {
        DatabaseRecord* next = chain->next;
        ReleaseBlock(chain);
        chain = next;
    }
}

int NewDatabaseInfo(ObjectEnv* env, DatabaseRecord* record, uint32_t* id) {
    const char* operation = "NewDatabaseInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (record == nullptr || record->name == nullptr || record->name[0] == '\0' || IsUnchangedText(record->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs a name");
    }
    DatabaseRecord definition = *record;
    if (!IsRealText(definition.owner) || definition.owner[0] == '\0') {
        definition.owner = const_cast<char*>(DEFAULT_OWNER);
    }
    if (NameTaken(*dictionary, definition.owner, definition.name, -1)) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             std::string("a database ") + definition.owner + "." + definition.name + " exists already");
    }
    StoredRecord stored(DatabaseLayout().diskSize, 0);
    std::string error;
    if (!EncodeRecord(DatabaseLayout(), &definition, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    uint32_t newId = 0;
    if (!ReserveDatabaseId(operation, *dictionary, &newId)) return 0;
    WriteStoredInteger(stored.data(), Field("id").diskOffset, 4, newId);
    StoredRecords records = dictionary->databases.records;
    records.push_back(std::move(stored));
    if (!CommitRecords(operation, dictionary->databases, std::move(records))) return 0;
    if (id != nullptr) *id = newId;
    return 1;
}

int UpdateDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name, DatabaseRecord* update) {
    const char* operation = "UpdateDatabaseInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    int index = FindIndex(*dictionary, id, owner, name);
    if (index < 0) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    StoredRecord stored = dictionary->databases.records[static_cast<size_t>(index)];
    std::string currentName = NameOf(stored);
    if (update->id != 0xFFFFFFFFu && update->id != IdOf(stored)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "the id of a database cannot change");
    }
    if (IsRealText(update->name)) {
        if (update->name[0] == '\0') return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs a name");
        // A rename request names the database it expects to rename; a stale
        // request must not rename another database.
        if (IsRealText(update->secondName) && update->secondName[0] != '\0' &&
            !SameName(currentName, update->secondName)) {
            return ReportFailure(operation, SHELL_ERROR_BAD_RECORD,
                                 std::string("the rename request is for ") + update->secondName +
                                     " but the database is " + currentName);
        }
    }
    std::string error;
    if (!ApplyUpdate(DatabaseLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    if (OwnerOf(stored).empty()) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs an owner");
    }
    if (NameTaken(*dictionary, OwnerOf(stored), NameOf(stored), index)) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "cannot rename " + currentName + ": a database " + OwnerOf(stored) + "." +
                                 NameOf(stored) + " exists already");
    }
    if (stored == dictionary->databases.records[static_cast<size_t>(index)]) return 1;
    StoredRecords records = dictionary->databases.records;
    records[static_cast<size_t>(index)] = std::move(stored);
    return CommitRecords(operation, dictionary->databases, std::move(records)) ? 1 : 0;
}

int DeleteDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name) {
    const char* operation = "DeleteDatabaseInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    int index = FindIndex(*dictionary, id, owner, name);
    if (index < 0) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    StoredRecords records = dictionary->databases.records;
    records.erase(records.begin() + index);
    return CommitRecords(operation, dictionary->databases, std::move(records)) ? 1 : 0;
}

uint32_t dicGetDatabaseID(ObjectEnv* env, const char* owner, const char* name) {
    if (Z_FaultPoint("dicGetDatabaseID")) return 0;
    OpenDictionary* dictionary = Begin("dicGetDatabaseID", env);
    if (dictionary == nullptr) return 0;
    if (owner == nullptr || name == nullptr) {
        ReportFailure("dicGetDatabaseID", SHELL_ERROR_BAD_RECORD, "owner and name are needed");
        return 0;
    }
    int index = FindIndex(*dictionary, 0, owner, name);
    if (index < 0) {
        ReportFailure("dicGetDatabaseID", SHELL_ERROR_NOT_FOUND, Describe(0, owner, name));
        return 0;
    }
    return IdOf(dictionary->databases.records[static_cast<size_t>(index)]);
}

namespace {

zel::shell::RecordCounter& InstalledCounter() {
    static zel::shell::RecordCounter counter = nullptr;
    return counter;
}

// A count of 0 asks the kernel, when one is installed, for the real count.
int64_t CountToStore(uint32_t id, int64_t given) {
    uint64_t counted = 0;
    if (given != 0 || InstalledCounter() == nullptr || !InstalledCounter()(id, &counted)) return given;
    return counted < 0xFFFFFFFFull ? static_cast<int64_t>(counted) : 0xFFFFFFFEll;
}

}  // namespace

void zel::shell::SetRecordCounter(RecordCounter counter) { InstalledCounter() = counter; }

int UpdateBaseRecordNum(ObjectEnv* env, uint32_t id, const char* owner, const char* name, int64_t recordCount,
                        int) {
    const char* operation = "UpdateBaseRecordNum";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (recordCount < 0 || recordCount >= 0xFFFFFFFFll) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD,
                             "the record count " + std::to_string(recordCount) + " is out of range");
    }
    int index = FindIndex(*dictionary, id, owner, name);
    if (index < 0) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    StoredRecord stored = dictionary->databases.records[static_cast<size_t>(index)];
    recordCount = CountToStore(IdOf(stored), recordCount);
    WriteStoredInteger(stored.data(), Field("recordCount").diskOffset, 4, static_cast<uint64_t>(recordCount));
    if (stored == dictionary->databases.records[static_cast<size_t>(index)]) return 1;
    StoredRecords records = dictionary->databases.records;
    records[static_cast<size_t>(index)] = std::move(stored);
    return CommitRecords(operation, dictionary->databases, std::move(records)) ? 1 : 0;
}
