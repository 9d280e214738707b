// Optimizing a database: the data is checked through and the index, when
// there is one, brought up to the records it covers.
#include <string>

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "percent_steps.h"
#include "zelkit.h"
#include "zemkernel.h"

using namespace zel::kernel;

namespace {

constexpr const char* kOperation = "ZKF_OptimizeDB";

// The kernel is told each column's number and type, not always its name.
std::string ColumnLabel(const ColumnHeader& column) {
    return column.name.empty() ? std::to_string(column.number) : column.name;
}

}  // namespace

int ZKF_OptimizeDB(tagZKS_OptimizeDB* request) {
    if (Z_FaultPoint(kOperation)) return 0;
    if (request == nullptr) return Fail(kOperation, Z_ERROR_BAD_ARGUMENT, "no request given");
    const OptimizeProgressFunction progress = request->progress;
    DatabaseLocation location;
    if (!LocateDatabase(kOperation, request->databaseId, &location)) return 0;
    const int data = FileThere(kOperation, location.dataPath);
    if (data < 0) return 0;
    if (data == 0) {
        return Fail(kOperation, Z_ERROR_NOT_FOUND, "database %u has no data file %s", request->databaseId,
                    location.dataPath.c_str());
    }

    DataHeader header;
    std::string contents;
    std::string_view body;
    if (!ReadDataFile(kOperation, location.dataPath, &header, &contents, &body)) return 0;
    for (const ColumnHeader& column : header.columns) {
        std::string label = ColumnLabel(column);
        if (progress != nullptr) progress(-1, reinterpret_cast<intptr_t>(label.c_str()));
    }

    // The data was read and checked whole above; the steps follow its records.
    PercentSteps steps(header.records);
    LineCursor cursor(body);
    std::string_view line;
    uint64_t seen = 0;
    while (cursor.Next(&line)) {
        int percent = steps.Advance(++seen);
        if (percent > 0 && progress != nullptr) progress(0, percent);
    }
    if (progress != nullptr) progress(0, 100);

    const int index = FileThere(kOperation, location.indexPath);
    if (index < 0) return 0;
    if (index > 0) {
        if (progress != nullptr) progress(1, 50);
        if (!WriteIndexFile(kOperation, location.indexPath, header.records)) return 0;
        if (progress != nullptr) progress(1, 100);
    }
    return 1;
}
