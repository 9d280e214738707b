// The data formats the new release knows.
#pragma once

#include <cstdint>

struct DataFormatRow {
    uint16_t id;
    uint8_t flag;
    const char* name;
    const char* className;
    const char* extensions;   // without dots, separated by ";"
    const char* description;  // GB18030 (native charset number 1)
};

constexpr int DATA_FORMAT_COUNT = 90;
// Ids 1 to 90, in this order.
extern const DataFormatRow kDataFormatTable[DATA_FORMAT_COUNT];

// The row of a format name, compared without regard to case; null if none.
const DataFormatRow* FindDataFormatRow(const char* name);
