// Data format records (FORMAT.DIC).
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
    const FieldLayout& id = *DataFormatLayout().Find("id");
    const FieldLayout& name = *DataFormatLayout().Find("name");
};

const Fields& F() {
    static const Fields fields;
    return fields;
}

uint16_t IdOf(const StoredRecord& record) { return static_cast<uint16_t>(ReadField(F().id, record.data())); }
std::string NameOf(const StoredRecord& record) { return ReadTextField(F().name, record.data()); }

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

bool PutFormat(const char* operation, OpenDictionary& dictionary, uint32_t slot, StoredRecord stored) {
    FormatKeys keys{IdOf(stored), FoldName(NameOf(stored))};
    FileChange change(dictionary.formatFile);
    change.Put(slot, std::move(stored));
    if (!CommitChange(operation, dictionary, change)) return false;
    dictionary.formats.Set(slot, std::move(keys));
    return true;
}

}  // namespace

// A name selects one format; otherwise the pattern "*" selects all of them
// (in id order) and any other pattern the format of that name.
DataFormatRecord* GetDataFormatInfo(ObjectEnv* env, int, const char* pattern, const char* name, const char*) {
    const char* operation = "GetDataFormatInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return nullptr;
    const char* wanted = !IsEmpty(name) ? name : pattern;
    if (IsEmpty(wanted)) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "neither a pattern nor a format name given");
        return nullptr;
    }
    const bool all = IsAllPattern(wanted);
    const uint32_t slot = all ? NO_SLOT : dictionary->formats.FindName(FoldName(wanted));
    if (all ? dictionary->formats.Size() == 0 : slot == NO_SLOT) {
        ReportFailure(operation, SHELL_ERROR_NOT_FOUND, std::string("no data format matches ") + wanted);
        return nullptr;
    }
    std::vector<DataFormatRecord*> records;
    bool outOfMemory = false;
    auto keep = [&](const uint8_t* stored) {
        DataFormatRecord* record = DecodeDataFormat(stored);
        if (record == nullptr)
            outOfMemory = true;
        else
            records.push_back(record);
        return !outOfMemory;
    };
    DictFailure failure;
    bool read = true;
    if (all) {
        records.reserve(dictionary->formats.Size());
        read = dictionary->formatFile.ForEach([&](uint32_t, const uint8_t* stored) { return keep(stored); }, &failure);
    } else {
        StoredRecord stored;
        read = dictionary->formatFile.Read(slot, &stored, &failure) && keep(stored.data());
    }
    if (!read || outOfMemory) {
        for (DataFormatRecord* record : records) ReleaseBlock(record);
        if (outOfMemory)
            ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
        else
            ReportFailure(operation, failure);
        return nullptr;
    }
    return LinkById(records);
}

void FreeDataFormatInfo(DataFormatRecord* chain) {
    while (chain != nullptr) {
        DataFormatRecord* next = chain->next;
        ReleaseBlock(chain);
        chain = next;
    }
}

// The record keeps its id when no format carries it yet; otherwise it gets
// a new one (ReserveFormatId).
int NewDataFormatInfo(ObjectEnv* env, DataFormatRecord* record) {
    const char* operation = "NewDataFormatInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (record == nullptr || IsEmpty(record->name) || IsUnchangedText(record->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a data format needs a name");
    }
    if (dictionary->formats.FindName(FoldName(record->name)) != NO_SLOT) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             std::string("a data format ") + record->name + " exists already");
    }
    StoredRecord stored(DataFormatLayout().diskSize, 0);
    std::string error;
    if (!EncodeRecord(DataFormatLayout(), record, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    uint16_t id = 0;
    if (!ReserveFormatId(operation, *dictionary, record->id, &id)) return 0;
    WriteStoredInteger(stored.data(), F().id.diskOffset, 2, id);
    return PutFormat(operation, *dictionary, dictionary->formatFile.Count(), std::move(stored)) ? 1 : 0;
}

int UpdateDataFormatInfo(ObjectEnv* env, uint16_t formatId, const char*, DataFormatRecord* update) {
    const char* operation = "UpdateDataFormatInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = RequireOpen(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    const uint32_t slot = dictionary->formats.FindId(formatId);
    if (slot == NO_SLOT) {
        return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, "no data format has the id " + std::to_string(formatId));
    }
    if (update->id != 0xFFFF && update->id != formatId) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "the id of a data format cannot change");
    }
    StoredRecord before;
    if (!ReadRecord(operation, dictionary->formatFile, slot, &before)) return 0;
    StoredRecord stored = before;
    std::string error;
    if (!ApplyUpdate(DataFormatLayout(), update, stored.data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    std::string newName = NameOf(stored);
    if (newName.empty()) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a data format needs a name");
    const uint32_t holder = dictionary->formats.FindName(FoldName(newName));
    if (holder != NO_SLOT && holder != slot) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "cannot rename " + NameOf(before) + ": a data format " + newName + " exists already");
    }
    if (stored == before) return 1;
    return PutFormat(operation, *dictionary, slot, std::move(stored)) ? 1 : 0;
}
