// Records exchanged with the dictionary shell (zemshell64). Their sizes and
// field offsets are fixed by the shell's binary interface; the asserts below
// keep them so on every compiler we build with.
#pragma once

#include <cstddef>
#include <cstdint>

// Object kinds of ObjectEnv::objectKind.
constexpr uint16_t OBJECT_SYSTEM_CONFIG = 0;
constexpr uint16_t OBJECT_DATABASE = 3;
constexpr uint16_t OBJECT_COLUMN = 4;
constexpr uint16_t OBJECT_DATA_FORMAT = 8;

// Lexicon charset codes carried by database records.
constexpr uint16_t CHARSET_CODE_GB18030 = 0x10;
constexpr uint16_t CHARSET_CODE_BIG5 = 0x20;
constexpr uint16_t CHARSET_CODE_NONE = 0x30;  // names take the suffix ENGLISH
constexpr uint16_t CHARSET_CODE_UTF8 = 0x40;

// Database kinds.
constexpr uint32_t DB_KIND_SEGMENT_LEXICON = 0x200000;  // also all-ideograph lexicons
constexpr uint32_t DB_KIND_STOP_LEXICON = 0x400000;
constexpr uint32_t DB_KIND_THESAURUS = 0x700000;
constexpr uint32_t DB_KIND_SYNONYM = 0x800000;
constexpr uint32_t DB_KIND_ANTONYM = 0x900000;
constexpr uint32_t DB_KIND_ENTITY_LEXICON = 0xA00000;

// Column types.
constexpr uint32_t COLUMN_DATE = 0x20;
constexpr uint32_t COLUMN_NUMBER = 0x40;
constexpr uint32_t COLUMN_CHAR = 0x60;
constexpr uint32_t COLUMN_DOCUMENT = 0x80;
constexpr uint32_t COLUMN_BIT = 0xA0;
constexpr uint32_t COLUMN_PHRASE = 0xC0;

// The text made of the single byte 0xFF: "no change" in update records.
inline char UNCHANGED_TEXT[2] = {'\xFF', '\0'};
inline bool IsUnchangedText(const char* text) {
    return text != nullptr && static_cast<unsigned char>(text[0]) == 0xFF && text[1] == '\0';
}

struct ObjectEnv {
    uint16_t objectKind;
    uint8_t shellData[86];  // the shell's own; never read by the upgrade
};
static_assert(sizeof(ObjectEnv) == 88);

struct DatabaseRecord {
    uint32_t id;              // 0
    uint32_t kind;            // 4
    uint64_t value8;          // 8
    uint64_t value16;         // 16
    char* name;               // 24
    char* secondName;         // 32  current name in a rename request
    char* owner;              // 40
    uint16_t value48;         // 48  1 for system databases
    uint16_t charsetCode;     // 50
    uint32_t value52;         // 52
    uint32_t recordCount;     // 56
    uint32_t value60;         // 60
    uint32_t value64;         // 64
    uint32_t value68;         // 68
    uint32_t value72;         // 72
    uint32_t value76;         // 76
    uint32_t indexSegmentId;  // 80  segment lexicon of the database's index
    uint32_t value84;         // 84
    uint32_t indexStopId;     // 88  stop lexicon of the database's index
    uint32_t value92;         // 92
    char* text96;             // 96
    char* text104;            // 104
    char* text112;            // 112
    char* text120;            // 120
    char* text128;            // 128
    uint32_t value136;        // 136
    uint32_t value140;        // 140
    uint32_t value144;        // 144
    uint32_t value148;        // 148 256 for system databases
    uint8_t bytes152[9];      // 152..160
    uint8_t padding161[3];    // 161
    uint32_t value164;        // 164 0xB0000000 for system databases
    char* directory;          // 168
    char* text176;            // 176
    char* description;        // 184
    DatabaseRecord* next;     // 192
    uint32_t value200;        // 200
    uint32_t value204;        // 204
};
static_assert(sizeof(DatabaseRecord) == 208);
static_assert(offsetof(DatabaseRecord, kind) == 4);
static_assert(offsetof(DatabaseRecord, name) == 24);
static_assert(offsetof(DatabaseRecord, secondName) == 32);
static_assert(offsetof(DatabaseRecord, owner) == 40);
static_assert(offsetof(DatabaseRecord, value48) == 48);
static_assert(offsetof(DatabaseRecord, charsetCode) == 50);
static_assert(offsetof(DatabaseRecord, recordCount) == 56);
static_assert(offsetof(DatabaseRecord, indexSegmentId) == 80);
static_assert(offsetof(DatabaseRecord, indexStopId) == 88);
static_assert(offsetof(DatabaseRecord, value148) == 148);
static_assert(offsetof(DatabaseRecord, bytes152) == 152);
static_assert(offsetof(DatabaseRecord, value164) == 164);
static_assert(offsetof(DatabaseRecord, directory) == 168);
static_assert(offsetof(DatabaseRecord, text176) == 176);
static_assert(offsetof(DatabaseRecord, description) == 184);
static_assert(offsetof(DatabaseRecord, next) == 192);

struct ColumnRecord {
    uint16_t number;       // 0   from 1; 0 ends a list
    uint16_t value2;       // 2
    uint32_t value4;       // 4
    char* name;            // 8
    char* text16;          // 16
    uint32_t type;         // 24
    uint32_t value28;      // 28
    char* text32;          // 32
    uint32_t databaseId;   // 40
    uint32_t value44;      // 44
    char* text48;          // 48
    char* text56;          // 56
    char* text64;          // 64
    char* text72;          // 72
    uint16_t value80;      // 80
    uint16_t value82;      // 82
    uint16_t value84;      // 84  low byte handed to the kernel
    uint8_t bytes86[8];    // 86..93
    uint8_t flag94;        // 94  for the shell
    uint8_t flag95;        // 95  handed to the kernel
    uint8_t flag96;        // 96  handed to the kernel
    uint8_t flag97;        // 97  1: byte 96 is cleared on creation
    uint8_t flag98;        // 98  for the shell
    uint8_t padding99[5];  // 99
    char* text104;         // 104 handed to the kernel
    char* text112;         // 112
    char* description;     // 120
    void* pointer128;      // 128 null in every record the upgrade builds
};
static_assert(sizeof(ColumnRecord) == 136);
static_assert(offsetof(ColumnRecord, name) == 8);
static_assert(offsetof(ColumnRecord, type) == 24);
static_assert(offsetof(ColumnRecord, databaseId) == 40);
static_assert(offsetof(ColumnRecord, value84) == 84);
static_assert(offsetof(ColumnRecord, bytes86) == 86);
static_assert(offsetof(ColumnRecord, flag94) == 94);
static_assert(offsetof(ColumnRecord, flag98) == 98);
static_assert(offsetof(ColumnRecord, text104) == 104);
static_assert(offsetof(ColumnRecord, description) == 120);
static_assert(offsetof(ColumnRecord, pointer128) == 128);

struct DataFormatRecord {
    uint16_t id;             // 0  0 ends the built-in table
    uint8_t flag;            // 2
    uint8_t padding3[5];     // 3
    char* name;              // 8
    char* className;         // 16
    char* extensions;        // 24 without dots, separated by ";"
    char* description;       // 32
    DataFormatRecord* next;  // 40
};
static_assert(sizeof(DataFormatRecord) == 48);
static_assert(offsetof(DataFormatRecord, flag) == 2);
static_assert(offsetof(DataFormatRecord, name) == 8);
static_assert(offsetof(DataFormatRecord, description) == 32);
static_assert(offsetof(DataFormatRecord, next) == 40);

struct CharsetEntry {
    uint16_t code;         // 0
    uint16_t zero;         // 2
    uint32_t segmentId;    // 4
    uint32_t stopId;       // 8
    uint32_t thesaurusId;  // 12
    uint32_t synonymId;    // 16
    uint32_t antonymId;    // 20
};
static_assert(sizeof(CharsetEntry) == 24);

struct SystemConfigRecord {
    char* text0;             // 0
    uint16_t memory;         // 8
    uint16_t value10;        // 10
    uint16_t value12;        // 12
    uint16_t value14;        // 14
    uint16_t value16;        // 16
    uint16_t field18;        // 18 24 is replaced by 0
    uint16_t field20;        // 20 24 is replaced by 0
    uint16_t value22;        // 22
    uint32_t value24;        // 24
    uint8_t byte28;          // 28
    uint8_t byte29;          // 29
    uint8_t byte30;          // 30
    uint8_t padding31;       // 31
    uint16_t value32;        // 32
    uint16_t charsetCount;   // 34
    uint32_t padding36;      // 36
    CharsetEntry* charsets;  // 40
    char* text48;            // 48
    char* text56;            // 56
    char* text64;            // 64
};
static_assert(sizeof(SystemConfigRecord) == 72);
static_assert(offsetof(SystemConfigRecord, memory) == 8);
static_assert(offsetof(SystemConfigRecord, field18) == 18);
static_assert(offsetof(SystemConfigRecord, field20) == 20);
static_assert(offsetof(SystemConfigRecord, value24) == 24);
static_assert(offsetof(SystemConfigRecord, byte28) == 28);
static_assert(offsetof(SystemConfigRecord, value32) == 32);
static_assert(offsetof(SystemConfigRecord, charsetCount) == 34);
static_assert(offsetof(SystemConfigRecord, charsets) == 40);
static_assert(offsetof(SystemConfigRecord, text64) == 64);
