#include "server/dictionary/view_record_layout.h"

#include <cstddef>
#include <cstring>

namespace {

// Where each field of the current record comes from. The fields are moved by
// position only; the upgrade never needs to know what they mean.
struct ViewFieldMove {
    size_t to;
    size_t width;
    size_t fromRelease40;
    size_t fromRelease401;
};

// Bytes 4-7, 34-35 and 42-43 are new in the current layout and stay zero.
// Release 4.0 records lose their field at 52: its room went to the fields
// that moved up.
constexpr ViewFieldMove kViewFieldMoves[] = {
    {0, 4, 0, 0},     {8, 8, 8, 8},     {16, 8, 16, 16},  {24, 4, 24, 24},
    {28, 4, 28, 28},  {32, 2, 32, 32},  {36, 2, 34, 36},  {38, 2, 36, 38},
    {40, 2, 38, 40},  {44, 4, 40, 44},  {48, 4, 44, 48},  {52, 4, 48, 52},
    {56, 4, 56, 56},  {60, 4, 60, 60},  {64, 4, 64, 64},  {68, 4, 68, 68},
};

// Copies one field. The widths are spelled out so that each copy is a single
// load and store: a large VIEW.DIC converts a million records.
void MoveField(uint8_t* to, const uint8_t* from, size_t width) {
    switch (width) {
        case 2: std::memcpy(to, from, 2); break;
        case 4: std::memcpy(to, from, 4); break;
        case 8: std::memcpy(to, from, 8); break;
        default: std::memcpy(to, from, width); break;
    }
}

}  // namespace

void ConvertViewRecord(const uint8_t* oldRecord, ViewLayout layout, uint8_t* currentRecord) {
    std::memset(currentRecord, 0, VIEW_RECORD_SIZE);
    for (const ViewFieldMove& move : kViewFieldMoves) {
        size_t from = layout == ViewLayout::Release40 ? move.fromRelease40 : move.fromRelease401;
        MoveField(currentRecord + move.to, oldRecord + from, move.width);
    }
}
