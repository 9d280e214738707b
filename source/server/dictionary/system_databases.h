#pragma once

#include <cstdint>

#include "server/host/dictionary_records.h"

int CreateSystemDB(ObjectEnv* env, DatabaseRecord* database, ColumnRecord* columns, int columnCount,
                   uint32_t* id);
int RemoveSystemDB(ObjectEnv* env, uint32_t id);
// Takes away a system database whose creation or first filling failed in
// this run, so that the next run creates it again instead of keeping an
// incomplete one; the error that stopped the creation stays the last error.
// Returns 1 when nothing of it is left.
int UndoSystemDBCreation(ObjectEnv* env, uint32_t id);
int RemoveSdiBook(ObjectEnv* env);
