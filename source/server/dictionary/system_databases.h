#pragma once

#include <cstdint>

#include "server/host/dictionary_records.h"

int CreateSystemDB(ObjectEnv* env, DatabaseRecord* database, ColumnRecord* columns, int columnCount,
                   uint32_t* id);
int RemoveSystemDB(ObjectEnv* env, uint32_t id);
int RemoveSdiBook(ObjectEnv* env);
