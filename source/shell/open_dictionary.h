// The dictionary the shell has open: the records of the four interpreted
// files, kept in memory and written through on every change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dict_files.h"
#include "shell_admin.h"

namespace zel::shell {


using StoredRecord = std::vector<uint8_t>;
using StoredRecords = std::vector<StoredRecord>;

struct OpenDictionary {
    std::string home;
    DictFile config;
    DictFile databases;
    DictFile columns;
    DictFile formats;
};

// Null when no dictionary is open.
OpenDictionary* CurrentDictionary();
void SetCurrentDictionary(std::unique_ptr<OpenDictionary> dictionary);

// Sets the last error "<operation>: <cause>" and returns 0.
int ReportFailure(const char* operation, uint32_t code, const std::string& cause);
// The open dictionary, or null with the error reported.
OpenDictionary* RequireOpen(const char* operation);

// Makes records the file's records and writes the file through. On failure
// the file keeps its previous records, in memory as on disk, and the
// failure is reported.
bool CommitRecords(const char* operation, DictFile& file, StoredRecords records);

// The configuration record as stored, or a zero record when CONFIG.DIC has
// none yet.
StoredRecord ConfigImage(const OpenDictionary& dictionary);
bool CommitConfig(const char* operation, OpenDictionary& dictionary, StoredRecord image);

// Ids come from counters kept in CONFIG.DIC, which is written before the
// record that uses the id, so an id once handed out is never handed out
// again, even after a stop between the two writes or a deletion.
bool ReserveDatabaseId(const char* operation, OpenDictionary& dictionary, uint32_t* id);
// Keeps wanted when it is a valid id no format uses.
bool ReserveFormatId(const char* operation, OpenDictionary& dictionary, uint16_t wanted, uint16_t* id);

// Texts compared without regard to case; "*" (or null) as pattern matches all.
bool SameName(const std::string& a, const char* b);
bool MatchesPattern(const char* pattern, const std::string& name);
std::string TextOrEmpty(const char* text);

}  // namespace zel::shell
