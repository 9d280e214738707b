// What the kernel stand-in offers besides the operations the upgrade calls:
// how it keeps a database's data, for zelhome (which makes and shows homes
// without running the upgrade), and its record count for the shell.
#pragma once

#include <cstdint>
#include <string>

namespace zel::kernel {

struct DataSummary {
    bool exists = false;
    uint64_t records = 0;
    bool indexed = false;
    // False when the system could not tell whether the data or the index is
    // there (the toolkit's last error says why): the rest is then no answer.
    bool known = true;
};

// The data of database `id` kept in `directory` (as the dictionary stores it).
DataSummary DescribeData(const std::string& directory, uint32_t id);

// Makes data for database `id`: `records` generated records and, with
// `indexed`, an index. Returns false (toolkit last error set) on failure.
bool CreateSampleData(const std::string& directory, uint32_t id, uint64_t records, bool indexed);

// The record counter the shell stand-in asks when told to store a record
// count of 0 (zel::shell::SetRecordCounter).
bool CountRecordsForShell(uint32_t id, uint64_t* records);

}  // namespace zel::kernel
