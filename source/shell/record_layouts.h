// The stored layouts of the four interpreted dictionary files. Each stored
// record holds the exchanged record's fields in the order listed in
// record_layouts.cpp; texts sit in fixed NUL-padded fields.
#pragma once

#include <cstdint>

#include "record_codec.h"
#include "shell_admin.h"

namespace zel::shell {

constexpr uint32_t TEXT_FIELD = 128;

const RecordLayout& DatabaseLayout();      // BASE.DIC
const RecordLayout& ColumnLayout();        // BASECOL.DIC
const RecordLayout& DataFormatLayout();    // FORMAT.DIC
const RecordLayout& SystemConfigLayout();  // CONFIG.DIC, after the shell's own area

// CONFIG.DIC holds one record. It starts with the shell's own area, then the
// fields of the system configuration record.
constexpr uint32_t CONFIG_CHARSET_COUNT = 0;     // u16
constexpr uint32_t CONFIG_NATIVE_CHARSET = 2;    // u16: 0 none, 1 GB18030, 2 BIG5, 3 UTF8
constexpr uint32_t CONFIG_NEXT_DATABASE_ID = 4;  // u32: the next database id to hand out
constexpr uint32_t CONFIG_NEXT_FORMAT_ID = 8;    // u32: the next data format id to hand out
constexpr uint32_t CONFIG_CHARSET_ENTRIES = 16;  // MAX_CHARSET_ENTRIES entries of 24 bytes
constexpr uint32_t CHARSET_ENTRY_SIZE = 24;
constexpr uint32_t CONFIG_OWN_AREA = CONFIG_CHARSET_ENTRIES + MAX_CHARSET_ENTRIES * CHARSET_ENTRY_SIZE;

}  // namespace zel::shell
