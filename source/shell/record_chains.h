// Records handed out by the shell: each allocation holds the record(s) and
// their texts, so releasing a record frees its texts with it.
#pragma once

#include <vector>

#include "dictionary_records.h"
#include "open_dictionary.h"

namespace zel::shell {

// Null only when memory runs out (the operation reports it).
DatabaseRecord* MakeDatabaseChain(const std::vector<const StoredRecord*>& stored);
DataFormatRecord* MakeDataFormatChain(const std::vector<const StoredRecord*>& stored);
// Contiguous records followed by one whose number is 0 that ends the list.
ColumnRecord* MakeColumnList(const std::vector<const StoredRecord*>& stored);
SystemConfigRecord* MakeSystemConfig(const StoredRecord& stored);

void ReleaseBlock(void* block);

}  // namespace zel::shell
