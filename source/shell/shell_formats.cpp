// Data format records (FORMAT.DIC).
#include <algorithm>

#include "zelkit.h"
#include "zemshell.h"
#include "open_dictionary.h"
#include "record_chains.h"
#include "record_codec.h"
#include "record_layouts.h"

using namespace zel::shell;

namespace {

const FieldLayout& Field(const char* name) { return *DataFormatLayout().Find(name); }

uint16_t IdOf(const StoredRecord& record) { return static_cast<uint16_t>(ReadField(Field("id"), record.data())); }
std::string NameOf(const StoredRecord& record) { return ReadTextField(Field("name"), record.data()); }

int FindByName(const OpenDictionary& dictionary, const std::string& name, int except = -1) {
    const StoredRecords& records = dictionary.formats.records;
    for (size_t i = 0; i < records.size(); ++i) {
        if (static_cast<int>(i) != except && SameName(NameOf(records[i]), name.c_str())) return static_cast<int>(i);
    }
    return -1;
}

OpenDictionary* Begin(const char* operation, ObjectEnv* env) {
    OpenDictionary* dictionary = RequireOpen(operation);
    if (dictionary != nullptr && env == nullptr) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no object environment");
        return nullptr;
    }
    return dictionary;
}

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

}  // namespace

// A name selects one format; otherwise the pattern "*" selects all of them
// (in id order) and any other pattern the format of that name.
DataFormatRecord* GetDataFormatInfo(ObjectEnv* env, int, const char* pattern, const char* name, const char*) {
    const char* operation = "GetDataFormatInfo";
    if (Z_FaultPoint(operation)) return nullptr;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return nullptr;
    const char* wanted = !IsEmpty(name) ? name : pattern;
    if (IsEmpty(wanted)) {
        ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "neither a pattern nor a format name given");
        return nullptr;
    }
    std::vector<const StoredRecord*> matches;
    for (const StoredRecord& record : dictionary->formats.records) {
        if (MatchesPattern(wanted, NameOf(record))) matches.push_back(&record);
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const StoredRecord* a, const StoredRecord* b) { return IdOf(*a) < IdOf(*b); });
    if (matches.empty()) {
        ReportFailure(operation, SHELL_ERROR_NOT_FOUND, std::string("no data format matches ") + wanted);
        return nullptr;
    }
    DataFormatRecord* chain = MakeDataFormatChain(matches);
    if (chain == nullptr) ReportFailure(operation, SHELL_ERROR_NO_MEMORY, "out of memory");
    return chain;
}

void FreeDataFormatInfo(DataFormatRecord* chain) {
    while (chain != nullptr) {
        DataFormatRecord* next = chain->next;
        ReleaseBlock(chain);
        chain = next;
    }
}

// The record keeps its id when no format uses it yet; otherwise it gets a
// new one.
int NewDataFormatInfo(ObjectEnv* env, DataFormatRecord* record) {
    const char* operation = "NewDataFormatInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (record == nullptr || IsEmpty(record->name) || IsUnchangedText(record->name)) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a data format needs a name");
    }
    if (FindByName(*dictionary, record->name) >= 0) {
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
    WriteStoredInteger(stored.data(), Field("id").diskOffset, 2, id);
    StoredRecords records = dictionary->formats.records;
    records.push_back(std::move(stored));
    return CommitRecords(operation, dictionary->formats, std::move(records)) ? 1 : 0;
}

int UpdateDataFormatInfo(ObjectEnv* env, uint16_t formatId, const char*, DataFormatRecord* update) {
    const char* operation = "UpdateDataFormatInfo";
    if (Z_FaultPoint(operation)) return 0;
    OpenDictionary* dictionary = Begin(operation, env);
    if (dictionary == nullptr) return 0;
    if (update == nullptr) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "no update record");
    StoredRecords records = dictionary->formats.records;
    auto found = std::find_if(records.begin(), records.end(),
                              [&](const StoredRecord& record) { return IdOf(record) == formatId; });
    if (found == records.end()) {
        return ReportFailure(operation, SHELL_ERROR_NOT_FOUND, "no data format has the id " + std::to_string(formatId));
    }
    if (update->id != 0xFFFF && update->id != formatId) {
        return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "the id of a data format cannot change");
    }
    StoredRecord before = *found;
    std::string error;
    if (!ApplyUpdate(DataFormatLayout(), update, found->data(), &error)) {
        return ReportFailure(operation, SHELL_ERROR_TEXT_TOO_LONG, error);
    }
    std::string newName = NameOf(*found);
    if (newName.empty()) return ReportFailure(operation, SHELL_ERROR_BAD_RECORD, "a data format needs a name");
    int index = static_cast<int>(found - records.begin());
    if (FindByName(*dictionary, newName, index) >= 0) {
        return ReportFailure(operation, SHELL_ERROR_NAME_TAKEN,
                             "cannot rename " + NameOf(before) + ": a data format " + newName + " exists already");
    }
    if (*found == before) return 1;
    return CommitRecords(operation, dictionary->formats, std::move(records)) ? 1 : 0;
}
