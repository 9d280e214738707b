// Database records (BASE.DIC).
#include <algorithm>

#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "shell_catalog.h"
#include "zelkit.h"
#include "zemshell.h"

using namespace zel::shell;

namespace {

// Databases made without an owner belong to the system: the upgrade makes
// its lexicons that way and later looks them up under "SYSTEM".
constexpr const char* DEFAULT_OWNER = "SYSTEM";

struct Fields {
    const FieldLayout& id = *DatabaseLayout().Find("id");
    const FieldLayout& kind = *DatabaseLayout().Find("kind");
    const FieldLayout& charsetCode = *DatabaseLayout().Find("charsetCode");
    const FieldLayout& recordCount = *DatabaseLayout().Find("recordCount");
    const FieldLayout& indexSegmentId = *DatabaseLayout().Find("indexSegmentId");
    const FieldLayout& indexStopId = *DatabaseLayout().Find("indexStopId");
    const FieldLayout& name = *DatabaseLayout().Find("name");
    const FieldLayout& owner = *DatabaseLayout().Find("owner");
    const FieldLayout& directory = *DatabaseLayout().Find("directory");
};

const Fields& F() {
    static const Fields fields;
    return fields;
}

uint32_t IdOf(const StoredRecord& record) { return static_cast<uint32_t>(ReadField(F().id, record.data())); }
std::string NameOf(const StoredRecord& record) { return ReadTextField(F().name, record.data()); }
std::string OwnerOf(const StoredRecord& record) { return ReadTextField(F().owner, record.data()); }

// By id, or, when the id is 0, by owner and name.
uint32_t FindSlot(const OpenDictionary& dictionary, uint32_t id, const char* owner, const char* name) {
    if (id != 0) return dictionary.databases.FindId(id);
    if (owner == nullptr || name == nullptr) return NO_SLOT;
    return dictionary.databases.FindName(FoldName(owner), FoldName(name));
}

bool NameTaken(const OpenDictionary& dictionary, const std::string& owner, const std::string& name, uint32_t except) {
    const uint32_t slot = dictionary.databases.FindName(FoldName(owner), FoldName(name));
    return slot != NO_SLOT && slot != except;
}

std::string Describe(uint32_t id, const char* owner, const char* name) {
    if (id != 0) return "no database has the id " + std::to_string(id);
    return "no database " + TextOrEmpty(owner) + "." + TextOrEmpty(name);
}

bool IsRealText(const char* text) { return text != nullptr && !IsUnchangedText(text); }

// Writes one record (a new one at the end) and takes its keys.
bool PutDatabase(const char* operation, OpenDictionary& dictionary, uint32_t slot, StoredRecord stored) {
    DatabaseKeys keys{IdOf(stored), FoldName(OwnerOf(stored)), FoldName(NameOf(stored))};
    FileChange change(dictionary.databaseFile);
    change.Put(slot, std::move(stored));
    if (!CommitChange(operation, dictionary, change)) return false;
    dictionary.databases.Set(slot, std::move(keys));
    return true;
}

void FreeRecords(std::vector<DatabaseRecord*>& records) {
    for (DatabaseRecord* record : records) ReleaseBlock(record);
    records.clear();
}

}  // namespace

DatabaseRecord* GetDatabaseInfo(ObjectEnv* env, int, const char* owner, const char* name) {
    const char* operation = "GetDatabaseInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return nullptr;
    // The keys say which records match; only those are read, or the whole
    // file in one pass when all of them do.
    const DatabaseIndex& index = dictionary->databases;
    std::vector<uint32_t> slots;
    if (!IsAllPattern(owner) && !IsAllPattern(name)) {
        const uint32_t slot = index.FindName(FoldName(owner), FoldName(name));
        if (slot != NO_SLOT) slots.push_back(slot);
    } else {
        const std::string foldedOwner = IsAllPattern(owner) ? std::string() : FoldName(owner);
        const std::string foldedName = IsAllPattern(name) ? std::string() : FoldName(name);
        for (uint32_t slot = 0; slot < index.Size(); ++slot) {
            const DatabaseKeys& keys = index.At(slot);
            if ((IsAllPattern(owner) || keys.owner == foldedOwner) && (IsAllPattern(name) || keys.name == foldedName)) {
                slots.push_back(slot);
            }
        }
    }
    if (slots.empty()) {
        ReportFailure(operation, SHELL_ERROR_NOT_FOUND,
                      "no database matches " + TextOrEmpty(owner) + "." + TextOrEmpty(name));
        return nullptr;
    }
    std::vector<DatabaseRecord*> records;
    records.reserve(slots.size());
    bool outOfMemory = false;
    auto keep = [&](const uint8_t* stored) {
        DatabaseRecord* record = DecodeDatabase(stored);
        if (record == nullptr)
            outOfMemory = true;
        else
            records.push_back(record);
        return !outOfMemory;
    };
    DictFailure failure;
    bool read = true;
    if (slots.size() == index.Size()) {
        read =
            dictionary->databaseFile.ForEach([&](uint32_t, const uint8_t* stored) { return keep(stored); }, &failure);
    } else {
        StoredRecord stored;
        for (uint32_t slot : slots) {
            read = dictionary->databaseFile.Read(slot, &stored, &failure);
            if (!read || !keep(stored.data())) break;
        }
    }
    if (!read || outOfMemory) {
        FreeRecords(records);
        if (!read)
            ReportFailure(operation, failure);
        else
            ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
        return nullptr;
    }
    return LinkById(records);
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
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (record == nullptr || record->name == nullptr || record->name[0] == '\0' || IsUnchangedText(record->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs a name");
    }
    DatabaseRecord definition = *record;
    if (!IsRealText(definition.owner) || definition.owner[0] == '\0') {
        definition.owner = const_cast<char*>(DEFAULT_OWNER);
    }
    if (NameTaken(*dictionary, definition.owner, definition.name, NO_SLOT)) {
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
    WriteStoredInteger(stored.data(), F().id.diskOffset, 4, newId);
    if (!PutDatabase(operation, *dictionary, dictionary->databaseFile.Count(), std::move(stored))) return 0;
    if (id != nullptr) *id = newId;
    return 1;
}

int UpdateDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name, DatabaseRecord* update) {
    const char* operation = "UpdateDatabaseInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    const uint32_t slot = FindSlot(*dictionary, id, owner, name);
    if (slot == NO_SLOT) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    StoredRecord before;
    if (!ReadRecord(operation, dictionary->databaseFile, slot, &before)) return 0;
    StoredRecord stored = before;
    std::string currentName = NameOf(stored);
    if (update->id != 0xFFFFFFFFu && update->id != IdOf(stored)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "the id of a database cannot change");
    }
    if (IsRealText(update->name)) {
        if (update->name[0] == '\0') return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs a name");
        // A rename request names the database it expects to rename; a stale
        // request must not rename another database.
        if (IsRealText(update->secondName) && update->secondName[0] != '\0' &&
            ZSTRCMPI(currentName.c_str(), update->secondName) != 0) {
            return ReportFailure(
                operation, SHELL_ERROR_BAD_RECORD,
                std::string("the rename request is for ") + update->secondName + " but the database is " + currentName);
        }
    }
    std::string error;
    if (!ApplyUpdate(DatabaseLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    if (OwnerOf(stored).empty()) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a database needs an owner");
    }
    if (NameTaken(*dictionary, OwnerOf(stored), NameOf(stored), slot)) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "cannot rename " + currentName + ": a database " + OwnerOf(stored) + "." + NameOf(stored) +
                                 " exists already");
    }
    if (stored == before) return 1;
    return PutDatabase(operation, *dictionary, slot, std::move(stored)) ? 1 : 0;
}

int DeleteDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name) {
    const char* operation = "DeleteDatabaseInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    const uint32_t slot = FindSlot(*dictionary, id, owner, name);
    if (slot == NO_SLOT) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    FileChange change(dictionary->databaseFile);
    uint32_t movedFrom = slot;
    DictFailure failure;
    if (!change.Remove(slot, &movedFrom, &failure)) return ReportFailure(operation, failure);
    if (!CommitChange(operation, *dictionary, change)) return 0;
    dictionary->databases.Remove(slot, movedFrom);
    return 1;
}

uint32_t dicGetDatabaseID(ObjectEnv* env, const char* owner, const char* name) {
    if (Z_FaultPoint("dicGetDatabaseID")) return 0;
    OpenDictionary* dictionary = RequireOpen("dicGetDatabaseID", env);
    if (dictionary == nullptr) return 0;
    if (owner == nullptr || name == nullptr) {
        ReportFailure("dicGetDatabaseID", SHELL_ERROR_BAD_RECORD, "owner and name are needed");
        return 0;
    }
    const uint32_t slot = FindSlot(*dictionary, 0, owner, name);
    if (slot == NO_SLOT) {
        ReportFailure("dicGetDatabaseID", SHELL_ERROR_NOT_FOUND, Describe(0, owner, name));
        return 0;
    }
    return dictionary->databases.At(slot).id;
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

int UpdateBaseRecordNum(ObjectEnv* env, uint32_t id, const char* owner, const char* name, int64_t recordCount, int) {
    const char* operation = "UpdateBaseRecordNum";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (recordCount < 0 || recordCount >= 0xFFFFFFFFll) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD,
                             "the record count " + std::to_string(recordCount) + " is out of range");
    }
    const uint32_t slot = FindSlot(*dictionary, id, owner, name);
    if (slot == NO_SLOT) return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, Describe(id, owner, name));
    StoredRecord before;
    if (!ReadRecord(operation, dictionary->databaseFile, slot, &before)) return 0;
    StoredRecord stored = before;
    recordCount = CountToStore(IdOf(stored), recordCount);
    WriteStoredInteger(stored.data(), F().recordCount.diskOffset, 4, static_cast<uint64_t>(recordCount));
    if (stored == before) return 1;
    return PutDatabase(operation, *dictionary, slot, std::move(stored)) ? 1 : 0;
}

namespace zel::shell {

bool FindDatabase(uint32_t id, DatabaseSummary* summary) {
    OpenDictionary* dictionary = CurrentDictionary();
    if (dictionary == nullptr || !dictionary->damaged.empty()) return false;
    const uint32_t slot = dictionary->databases.FindId(id);
    if (slot == NO_SLOT) return false;
    if (summary == nullptr) return true;
    StoredRecord record;
    if (!ReadRecord("FindDatabase", dictionary->databaseFile, slot, &record)) return false;
    const uint8_t* stored = record.data();
    summary->id = id;
    summary->kind = static_cast<uint32_t>(ReadField(F().kind, stored));
    summary->charsetCode = static_cast<uint16_t>(ReadField(F().charsetCode, stored));
    summary->recordCount = static_cast<uint32_t>(ReadField(F().recordCount, stored));
    summary->indexSegmentId = static_cast<uint32_t>(ReadField(F().indexSegmentId, stored));
    summary->indexStopId = static_cast<uint32_t>(ReadField(F().indexStopId, stored));
    summary->owner = ReadTextField(F().owner, stored);
    summary->name = ReadTextField(F().name, stored);
    summary->directory = ReadTextField(F().directory, stored);
    return true;
}

}  // namespace zel::shell
