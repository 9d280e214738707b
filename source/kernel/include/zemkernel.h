// Database kernel (zemkernel64): the operations the upgrade calls and their
// parameter records. The records are packed, as the kernel's interface
// defines them; the asserts keep every size and offset.
#pragma once

#include <cstddef>
#include <cstdint>

using OptimizeProgressFunction = void (*)(int32_t stage, intptr_t value);
using LoadProgressFunction = void (*)(int32_t count, intptr_t value);
using LexiconProgressFunction = void (*)(int32_t stage, int64_t percent);

// One column of tagZKS_CreateDB.
struct KernelColumnEntry {
    uint32_t columnNumber;  // 0
    char typeName[16];      // 4  "DATE", "NUMBER", "CHAR", ...
    uint8_t byte84;         // 20
    uint8_t padding21[3];   // 21
    uint32_t flag95;        // 24
    uint32_t flag96;        // 28
    char* text104;          // 32
    uint64_t reserved40;    // 40
};
static_assert(sizeof(KernelColumnEntry) == 48);
static_assert(offsetof(KernelColumnEntry, byte84) == 20);
static_assert(offsetof(KernelColumnEntry, flag95) == 24);
static_assert(offsetof(KernelColumnEntry, text104) == 32);

#pragma pack(push, 1)

struct tagZKS_CreateDB {
    uint32_t databaseId;         // 0
    char* directory;             // 4
    char* text176;               // 12
    uint32_t columnCount;        // 20
    KernelColumnEntry* columns;  // 24 null when the count is 0
};

struct tagZKS_LoadDBRec {
    uint32_t databaseId;            // 0
    char* sourcePath;               // 4
    uint64_t reserved12;            // 12
    uint8_t reserved20[16];         // 20
    uint32_t value36;               // 36 1
    uint32_t value40;               // 40 0
    uint32_t reserved44;            // 44
    uint32_t value48;               // 48 0
    uint8_t reserved52[16];         // 52
    LoadProgressFunction progress;  // 68
    uint64_t reserved76;            // 76
};

struct tagZKS_MaintDBReport {
    uint8_t data[528];
};

struct tagZKS_DeleteDBRec {
    uint32_t databaseId;    // 0
    uint8_t reserved4[16];  // 4
};

struct tagZKS_OptimizeDB {
    uint32_t databaseId;                // 0
    uint32_t value4;                    // 4  1
    uint64_t reserved8;                 // 8
    uint32_t reserved16;                // 16
    uint64_t reserved20;                // 20
    OptimizeProgressFunction progress;  // 28
};

struct tagZKS_RemoveDBIndex {
    uint32_t databaseId;   // 0
    uint32_t reserved[6];  // 4
};

#pragma pack(pop)

static_assert(sizeof(tagZKS_CreateDB) == 32);
static_assert(offsetof(tagZKS_CreateDB, directory) == 4);
static_assert(offsetof(tagZKS_CreateDB, text176) == 12);
static_assert(offsetof(tagZKS_CreateDB, columnCount) == 20);
static_assert(offsetof(tagZKS_CreateDB, columns) == 24);
static_assert(sizeof(tagZKS_LoadDBRec) == 84);
static_assert(offsetof(tagZKS_LoadDBRec, sourcePath) == 4);
static_assert(offsetof(tagZKS_LoadDBRec, value36) == 36);
static_assert(offsetof(tagZKS_LoadDBRec, value48) == 48);
static_assert(offsetof(tagZKS_LoadDBRec, progress) == 68);
static_assert(sizeof(tagZKS_MaintDBReport) == 528);
static_assert(sizeof(tagZKS_DeleteDBRec) == 20);
static_assert(sizeof(tagZKS_OptimizeDB) == 36);
static_assert(offsetof(tagZKS_OptimizeDB, reserved20) == 20);
static_assert(offsetof(tagZKS_OptimizeDB, progress) == 28);
static_assert(sizeof(tagZKS_RemoveDBIndex) == 28);

struct tagZKS_DatabaseDict;  // never built by the upgrade (always null)

int ZKF_CreateDB(tagZKS_CreateDB* request);
int ZKF_RemoveDB(uint32_t databaseId);
// Records loaded, negative on failure.
int64_t ZKF_LoadDBRecords(tagZKS_LoadDBRec* request, tagZKS_MaintDBReport* report, int reserved1, int reserved2);
int64_t ZKF_DeleteDBRecords(tagZKS_DeleteDBRec* request, int reserved1, int reserved2, void* reserved3);
int ZKF_OptimizeDB(tagZKS_OptimizeDB* request);
int64_t ZKF_CountDBRecords(uint32_t databaseId, void* reserved);
// Entries loaded, negative on failure. With noFile 1 (and no file) the kernel
// builds the all-ideograph lexicon of the assigned character set.
int64_t ZKF_CreateLexicon(uint32_t databaseId, const char* sourcePath, int noFile, tagZKS_DatabaseDict* dict,
                          int reserved);
int64_t ZKF_AppendLexicon(uint32_t databaseId, const char* sourcePath, int reserved, LexiconProgressFunction progress);
int ZKF_CreateAssLexicon(int lexiconKind, int nativeCharset, const char* sourcePath, int reserved);
int ZKF_RemoveDBIndices(tagZKS_RemoveDBIndex* request);
