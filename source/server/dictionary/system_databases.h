#pragma once

#include <cstdint>

#include "dictionary_records.h"

bool CreateSystemDB(ObjectEnv* env, DatabaseRecord* database, ColumnRecord* columns, int columnCount, uint32_t* id);
bool RemoveSystemDB(ObjectEnv* env, uint32_t id);
// Takes away a system database whose creation or first filling failed in
// this run, so that the next run creates it again instead of keeping an
// incomplete one; the error that stopped the creation stays the last error.
// True when nothing of it is left.
bool UndoSystemDBCreation(ObjectEnv* env, uint32_t id);
// *removed: the dictionary held SYSTEM.SDIBOOK and it went.
bool RemoveSdiBook(ObjectEnv* env, bool* removed = nullptr);
