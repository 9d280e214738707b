// A dictionary shell and kernel that keep their databases in memory, record
// every call the lexicon steps make, and fail a chosen call. Linked in place
// of the host libraries, so each step can be checked call by call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dictionary_records.h"

namespace fake {

struct Database {
    uint32_t id = 0;
    uint32_t kind = 0;
    uint16_t charsetCode = 0;
    uint32_t recordCount = 0;
    uint32_t indexSegmentId = 0;
    uint32_t indexStopId = 0;
    std::string owner = "SYSTEM";
    std::string name;
    std::string directory;
    std::string description;
};

struct Host {
    std::vector<Database> databases;
    int nativeCharset = 0;
    uint32_t nextId = 100;
    int64_t countedRecords = 42;     // what ZKF_CountDBRecords answers
    int64_t lexiconEntries = 7;      // what the lexicon builders answer
    std::string failing;             // the operation whose next call fails
    std::vector<std::string> calls;  // "Operation(arguments)" in call order
    DatabaseRecord lastRename{};     // the last UpdateDatabaseInfo request
    std::string lastRenameName;
    std::string lastRenameSecondName;
};

// The host the fakes work on; Reset() gives a fresh one.
Host& State();
void Reset();
Database* Find(const std::string& name);
uint32_t Add(Database database);  // id 0: the next free id
// The calls whose text starts with prefix.
std::vector<std::string> CallsOf(const std::string& prefix);

}  // namespace fake
