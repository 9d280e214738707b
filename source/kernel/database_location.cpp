#include "database_location.h"

#include "data_file.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "zelkit.h"
#include "zemshell.h"

namespace zel::kernel {
namespace {

const CatalogForTesting* testCatalog = nullptr;

bool FindInCatalog(uint32_t id, zel::shell::DatabaseSummary* summary) {
    if (testCatalog != nullptr && testCatalog->findDatabase != nullptr) {
        return testCatalog->findDatabase(id, summary);
    }
    return zel::shell::FindDatabase(id, summary);
}

std::string CatalogHomeDirectory() {
    if (testCatalog != nullptr && testCatalog->openHomeDirectory != nullptr) {
        return testCatalog->openHomeDirectory();
    }
    return zel::shell::OpenHomeDirectory();
}

}  // namespace

std::map<uint32_t, std::string> DictionaryColumnNames(uint32_t id) {
    if (testCatalog != nullptr && testCatalog->columnNames != nullptr) return testCatalog->columnNames(id);
    std::map<uint32_t, std::string> names;
    KeepLastError keep;
    ObjectEnv env{};
    if (GetObjectEnv(OBJECT_COLUMN, &env) != nullptr) {
        env.objectKind = OBJECT_COLUMN;
        ColumnRecord* list = GetDColumnInfo(&env, id, 0, "*", 0);
        for (ColumnRecord* column = list; column != nullptr && column->number != 0; ++column) {
            if (column->name != nullptr) names[column->number] = column->name;
        }
        FreeDColumnInfo(list);
    }
    return names;
}

void SetCatalogForTesting(const CatalogForTesting* catalog) { testCatalog = catalog; }

DatabaseLocation LocationIn(const std::string& directory, uint32_t id) {
    DatabaseLocation location;
    location.directory = directory;
    location.dataPath = JoinPath(directory, DataFileName(id));
    location.indexPath = JoinPath(directory, IndexFileName(id));
    return location;
}

bool LocateHomeDictDirectory(const char* operation, std::string* directory) {
    std::string home = CatalogHomeDirectory();
    if (home.empty()) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no data dictionary is open");
    *directory = JoinPath(home, "dict");
    return true;
}

bool LocateDatabase(const char* operation, uint32_t id, DatabaseLocation* location) {
    if (id == 0) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no database id given");
    if (CatalogHomeDirectory().empty()) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no data dictionary is open");
    zel::shell::DatabaseSummary summary;
    if (!FindInCatalog(id, &summary)) {
        return Fail(operation, Z_ERROR_NOT_FOUND, "database %u is not in the data dictionary", id);
    }
    std::string directory = summary.directory;
    if (directory.empty() && !LocateHomeDictDirectory(operation, &directory)) return false;
    *location = LocationIn(directory, id);
    return true;
}

}  // namespace zel::kernel
