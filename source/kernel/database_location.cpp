#include "database_location.h"

#include "data_file.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "shell_admin.h"
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

bool DictionaryColumnNames(const char* operation, uint32_t id, std::map<uint32_t, std::string>* names) {
    names->clear();
    if (testCatalog != nullptr && testCatalog->columnNames != nullptr) {
        *names = testCatalog->columnNames(id);
        return true;
    }
    ObjectEnv env{};
    if (GetObjectEnv(OBJECT_COLUMN, &env) == nullptr) {
        return FailAfterToolkit(operation, "cannot ask the data dictionary for the columns of database %u", id);
    }
    env.objectKind = OBJECT_COLUMN;
    ColumnRecord* list = GetDColumnInfo(&env, id, 0, "*", 0);
    // A database without columns in the dictionary is no failure: its
    // columns keep the names they were handed.
    if (list == nullptr && Z_GetLastError() == zel::shell::SHELL_ERROR_NOT_FOUND) return true;
    if (list == nullptr) {
        return FailAfterToolkit(operation, "cannot read the names of the columns of database %u", id);
    }
    for (ColumnRecord* column = list; column->number != 0; ++column) {
        if (column->name != nullptr) (*names)[column->number] = column->name;
    }
    FreeDColumnInfo(list);
    return true;
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
    // The catalog says nothing when it has no such database, and sets the
    // reason when its record could not be read: a read that failed is no
    // missing database.
    Z_SetLastErrorText(Z_ERROR_NONE, "");
    if (!FindInCatalog(id, &summary)) {
        if (Z_GetLastError() != Z_ERROR_NONE) {
            return FailAfterToolkit(operation, "cannot read the record of database %u in the data dictionary", id);
        }
        return Fail(operation, Z_ERROR_NOT_FOUND, "database %u is not in the data dictionary", id);
    }
    std::string directory = summary.directory;
    if (directory.empty() && !LocateHomeDictDirectory(operation, &directory)) return false;
    *location = LocationIn(directory, id);
    return true;
}

}  // namespace zel::kernel
