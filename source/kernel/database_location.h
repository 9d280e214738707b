// Where the kernel keeps the files of a database. The dictionary knows each
// database's directory; the kernel asks the open dictionary for it by id.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "shell_catalog.h"

namespace zel::kernel {

struct DatabaseLocation {
    std::string directory;
    std::string dataPath;
    std::string indexPath;
};

// The files of database `id` kept in `directory`.
DatabaseLocation LocationIn(const std::string& directory, uint32_t id);

// Asks the open dictionary for the database's directory (HOME/dict when the
// record names none). Fails, naming the operation, when no dictionary is open
// or it has no such database.
bool LocateDatabase(const char* operation, uint32_t id, DatabaseLocation* location);

// HOME/dict of the open dictionary, or a failure naming the operation.
bool LocateHomeDictDirectory(const char* operation, std::string* directory);

// The names of the database's columns by number, as the open dictionary
// knows them; empty when it knows none. The names go into the data file's
// header, so a dictionary that cannot be asked fails the operation (named
// in the error) rather than leave the columns labelled by number alone.
bool DictionaryColumnNames(const char* operation, uint32_t id, std::map<uint32_t, std::string>* names);

// Tests can answer the dictionary's questions themselves; null restores the
// open dictionary.
struct CatalogForTesting {
    bool (*findDatabase)(uint32_t id, zel::shell::DatabaseSummary* summary) = nullptr;
    std::string (*openHomeDirectory)() = nullptr;
    std::map<uint32_t, std::string> (*columnNames)(uint32_t id) = nullptr;
};
void SetCatalogForTesting(const CatalogForTesting* catalog);

}  // namespace zel::kernel
