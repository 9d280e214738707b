#include "kernel_store.h"

#include "data_file.h"
#include "database_location.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "zelkit.h"

namespace zel::kernel {

DataSummary DescribeData(const std::string& directory, uint32_t id) {
    DatabaseLocation location = LocationIn(directory, id);
    DataSummary summary;
    const int data = FileThere("DescribeData", location.dataPath);
    const int index = data < 0 ? -1 : FileThere("DescribeData", location.indexPath);
    summary.known = index >= 0;
    summary.exists = data > 0;
    summary.indexed = index > 0;
    if (summary.exists) {
        // Only a description: a damaged header shows as no records and
        // leaves the last error as it was.
        KeepLastError keep;
        DataHeader header;
        if (ReadDataHeader("DescribeData", location.dataPath, &header)) summary.records = header.records;
    }
    return summary;
}

bool CreateSampleData(const std::string& directory, uint32_t id, uint64_t records, bool indexed) {
    static const char* const operation = "CreateSampleData";
    DatabaseLocation location = LocationIn(directory, id);
    if (!EnsureDirectory(operation, location.directory)) return false;

    DataHeader header;
    header.records = records;
    AtomicFileWriter writer(operation, location.dataPath);
    if (!writer.Open() || !writer.Write(FormatDataHeader(header))) return false;
    for (uint64_t i = 1; i <= records; ++i) {
        std::string line = "Sample record " + std::to_string(i) + " of database " + std::to_string(id) + "\n";
        if (!writer.Write(line)) return false;
    }
    if (!writer.Commit()) return false;
    if (indexed) return WriteIndexFile(operation, location.indexPath, records);
    return RemoveFileIfPresent(operation, location.indexPath);
}

}  // namespace zel::kernel
