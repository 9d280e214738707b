// Creating, emptying, counting and removing a database's data, and removing
// its index.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "kernel_store.h"
#include "zelkit.h"
#include "zemkernel.h"

using namespace zel::kernel;

namespace {

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// The columns as the kernel keeps them in the data file's header.
bool ColumnsOf(const char* operation, const tagZKS_CreateDB& request, std::vector<ColumnHeader>* columns) {
    if (request.columnCount > 0 && request.columns == nullptr) {
        return Fail(operation, Z_ERROR_BAD_ARGUMENT, "%u columns announced but none given", request.columnCount);
    }
    std::map<uint32_t, std::string> dictionaryNames;
    if (request.columnCount > 0 && !DictionaryColumnNames(operation, request.databaseId, &dictionaryNames)) {
        return false;
    }
    for (uint32_t i = 0; i < request.columnCount; ++i) {
        const KernelColumnEntry& entry = request.columns[i];
        ColumnHeader column;
        column.number = entry.columnNumber;
        column.type.assign(entry.typeName, strnlen(entry.typeName, sizeof(entry.typeName)));
        // The kernel is handed numbers and types only; the names that label
        // its progress reports come from the dictionary.
        auto named = dictionaryNames.find(column.number);
        if (named != dictionaryNames.end()) {
            column.name = named->second;
        } else if (entry.text104 != nullptr) {
            column.name = entry.text104;
        }
        if (column.type.find_first_of(" \t\r\n") != std::string::npos || HasLineBreak(column.name)) {
            return Fail(operation, Z_ERROR_BAD_ARGUMENT, "column %u has a type or name the kernel cannot keep",
                        column.number);
        }
        columns->push_back(std::move(column));
    }
    return true;
}

}  // namespace

int ZKF_CreateDB(tagZKS_CreateDB* request) {
    static const char* const operation = "ZKF_CreateDB";
    if (Z_FaultPoint(operation)) return 0;
    if (request == nullptr) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no request given");

    if (request->databaseId == 0) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no database id given");
    DataHeader header;
    header.charset = Z_GetAssignedCharset();
    if (!ColumnsOf(operation, *request, &header.columns)) return 0;

    DatabaseLocation location;
    if (request->directory != nullptr && request->directory[0] != '\0') {
        location = LocationIn(request->directory, request->databaseId);
    } else if (!LocateDatabase(operation, request->databaseId, &location)) {
        return 0;
    }
    if (!EnsureDirectory(operation, location.directory)) return 0;

    // Ids are never reused, so files that already carry this id can only be
    // left over from an earlier failed run: the new database starts empty.
    if (!WriteDataFile(operation, location.dataPath, header, {})) return 0;
    return RemoveFileIfPresent(operation, location.indexPath) ? 1 : 0;
}

int ZKF_RemoveDB(uint32_t databaseId) {
    static const char* const operation = "ZKF_RemoveDB";
    if (Z_FaultPoint(operation)) return 0;
    DatabaseLocation location;
    if (!LocateDatabase(operation, databaseId, &location)) return 0;
    bool ok = RemoveFileIfPresent(operation, location.indexPath) && RemoveFileIfPresent(operation, location.dataPath) &&
              RemoveFileIfPresent(operation, location.dataPath + ".new") &&
              RemoveFileIfPresent(operation, location.indexPath + ".new");
    return ok ? 1 : 0;
}

int64_t ZKF_CountDBRecords(uint32_t databaseId, void*) {
    static const char* const operation = "ZKF_CountDBRecords";
    if (Z_FaultPoint(operation)) return -1;
    DatabaseLocation location;
    if (!LocateDatabase(operation, databaseId, &location)) return -1;
    const int there = FileThere(operation, location.dataPath);
    if (there <= 0) return there;
    DataHeader header;
    if (!ReadDataHeader(operation, location.dataPath, &header)) return -1;
    return static_cast<int64_t>(header.records);
}

// A count that cannot be read leaves the caller's 0 and its last error as
// they were.
bool zel::kernel::CountRecordsForShell(uint32_t id, uint64_t* records) {
    KeepLastError keep;
    DatabaseLocation location;
    if (!LocateDatabase("ZKF_CountDBRecords", id, &location)) return false;
    const int there = FileThere("ZKF_CountDBRecords", location.dataPath);
    if (there < 0) return false;
    if (there == 0) {
        *records = 0;
        return true;
    }
    DataHeader header;
    if (!ReadDataHeader("ZKF_CountDBRecords", location.dataPath, &header)) return false;
    *records = header.records;
    return true;
}

int64_t ZKF_DeleteDBRecords(tagZKS_DeleteDBRec* request, int, int, void*) {
    static const char* const operation = "ZKF_DeleteDBRecords";
    if (Z_FaultPoint(operation)) return -1;
    if (request == nullptr) {
        Fail(operation, Z_ERROR_BAD_ARGUMENT, "no request given");
        return -1;
    }
    DatabaseLocation location;
    if (!LocateDatabase(operation, request->databaseId, &location)) return -1;

    DataHeader header;
    header.charset = Z_GetAssignedCharset();
    const int data = FileThere(operation, location.dataPath);
    if (data < 0) return -1;
    if (data > 0) {
        if (!ReadDataHeader(operation, location.dataPath, &header)) return -1;
    } else if (!EnsureDirectory(operation, location.directory)) {
        return -1;
    }
    const uint64_t removed = header.records;
    header.unencodable = 0;
    if (!WriteDataFile(operation, location.dataPath, header, {})) return -1;
    // An index over records that are gone would answer with stale hits.
    const int index = FileThere(operation, location.indexPath);
    if (index < 0 || (index > 0 && !WriteIndexFile(operation, location.indexPath, 0))) return -1;
    return static_cast<int64_t>(removed);
}

int ZKF_RemoveDBIndices(tagZKS_RemoveDBIndex* request) {
    static const char* const operation = "ZKF_RemoveDBIndices";
    if (Z_FaultPoint(operation)) return 0;
    if (request == nullptr) return Fail(operation, Z_ERROR_BAD_ARGUMENT, "no request given");
    DatabaseLocation location;
    if (!LocateDatabase(operation, request->databaseId, &location)) return 0;
    // A database without an index already is what the caller asks for.
    return RemoveFileIfPresent(operation, location.indexPath) ? 1 : 0;
}
