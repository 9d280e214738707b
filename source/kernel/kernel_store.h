// How the kernel stand-in keeps a database's data, for zelhome (which makes
// and shows homes without running the upgrade).
#pragma once

#include <cstdint>
#include <string>

namespace zel::kernel {

struct DataSummary {
    bool exists = false;
    uint64_t records = 0;
    bool indexed = false;
};

// The data of database `id` kept in `directory` (as the dictionary stores it).
DataSummary DescribeData(const std::string& directory, uint32_t id);

// Makes data for database `id`: `records` generated records and, with
// `indexed`, an index. Returns false (toolkit last error set) on failure.
bool CreateSampleData(const std::string& directory, uint32_t id, uint64_t records, bool indexed);

}  // namespace zel::kernel
