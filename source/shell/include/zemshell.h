// Dictionary shell (zemshell64): the operations the upgrade calls. Unless
// stated, 0 (or null) means failure and the cause is left as the toolkit's
// last error. "env" is the object environment whose objectKind the caller
// sets before the call.
#pragma once

#include <cstdint>

#include "dictionary_records.h"

// Opens the data dictionary of the home directory (export ordinal 1).
int ShellOpen(const char* home, int reserved1, int reserved2, int reserved3, int64_t reserved4);
// Closes it (export ordinal 2).
int ShellClose();
ObjectEnv* GetObjectEnv(int objectClass, ObjectEnv* env);
// 0: reports the native charset number (0 none, 1 GB18030, 2 BIG5, 3 UTF8);
// 1 to 3: sets it.
int SetSystemCharset(int charset);

// Databases. Owner and name patterns: "*" matches all; names compare without
// regard to case.
DatabaseRecord* GetDatabaseInfo(ObjectEnv* env, int reserved, const char* owner, const char* name);
void FreeDatabaseInfo(DatabaseRecord* chain);
int NewDatabaseInfo(ObjectEnv* env, DatabaseRecord* record, uint32_t* id);
// Every field of update that holds its "no change" value stays; a rename
// request gives the new name at 24 and the current name at 32.
int UpdateDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name, DatabaseRecord* update);
int DeleteDatabaseInfo(ObjectEnv* env, uint32_t id, const char* owner, const char* name);
uint32_t dicGetDatabaseID(ObjectEnv* env, const char* owner, const char* name);
int UpdateBaseRecordNum(ObjectEnv* env, uint32_t id, const char* owner, const char* name, int64_t recordCount,
                        int reserved);

// Columns.
int NewDColumnInfo(ObjectEnv* env, uint32_t databaseId, ColumnRecord* column, int reserved, uint16_t* columnNumber);
ColumnRecord* GetDColumnInfo(ObjectEnv* env, uint32_t databaseId, int reserved, const char* columnName, int reserved2);
void FreeDColumnInfo(ColumnRecord* column);
int UpdateDColumnInfo(ObjectEnv* env, uint32_t databaseId, int reserved, const char* columnName, ColumnRecord* update);
// With all 1: every column of the database is deleted.
int DeleteDColumnInfo(ObjectEnv* env, uint32_t databaseId, int reserved, const char* columnName, int all);

// Data formats: (env, 0, "*", "", "") for all, (env, 0, "", name, "") for one.
DataFormatRecord* GetDataFormatInfo(ObjectEnv* env, int reserved, const char* pattern, const char* name,
                                    const char* reserved2);
void FreeDataFormatInfo(DataFormatRecord* chain);
int NewDataFormatInfo(ObjectEnv* env, DataFormatRecord* record);
int UpdateDataFormatInfo(ObjectEnv* env, uint16_t formatId, const char* reserved, DataFormatRecord* update);

// System configuration.
SystemConfigRecord* GetSystemCFGInfo(ObjectEnv* env);
int UpdateSystemCFGInfo(ObjectEnv* env, SystemConfigRecord* update);
void FreeSystemCFGInfo(SystemConfigRecord* record);
