// The view record (VIEW.DIC) of the current dictionary version, and how a
// record of an older version maps onto it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t VIEW_RECORD_SIZE = 72;

// Record layouts of older dictionary versions.
enum class ViewLayout {
    Release40,   // "ZEL4.0 Data Dictionary" and "ZEL4.0 Data Dictionary V4.0.0"
    Release401,  // "4.01"
};

// Builds the current 72-byte record from an old one of the same size. Fields
// that the old layout does not have are zero.
void ConvertViewRecord(const uint8_t* oldRecord, ViewLayout layout, uint8_t* currentRecord);
// The same for count records one after another: the layout is chosen once,
// not per record, and each record's moves are made inline.
void ConvertViewRecords(const uint8_t* oldRecords, ViewLayout layout, uint8_t* currentRecords, size_t count);
