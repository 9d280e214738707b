// Records handed out by the shell: each allocation holds the record(s) and
// their texts, so releasing a record frees its texts with it.
#pragma once

#include <cstdint>
#include <vector>

#include "dictionary_records.h"
#include "record_file.h"

namespace zel::shell {

// One record of a chain, its link null; null only when memory runs out.
DatabaseRecord* DecodeDatabase(const uint8_t* stored);
DataFormatRecord* DecodeDataFormat(const uint8_t* stored);
// Links the records in id order (records of the same id keep their order);
// returns the first.
DatabaseRecord* LinkById(std::vector<DatabaseRecord*>& records);
DataFormatRecord* LinkById(std::vector<DataFormatRecord*>& records);
// Contiguous records followed by one whose number is 0 that ends the list.
ColumnRecord* MakeColumnList(const std::vector<StoredRecord>& stored);
SystemConfigRecord* MakeSystemConfig(const StoredRecord& stored);

void ReleaseBlock(void* block);

}  // namespace zel::shell
