#include "view_record_layout.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

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
    {0, 4, 0, 0},    {8, 8, 8, 8},    {16, 8, 16, 16}, {24, 4, 24, 24}, {28, 4, 28, 28}, {32, 2, 32, 32},
    {36, 2, 34, 36}, {38, 2, 36, 38}, {40, 2, 38, 40}, {44, 4, 40, 44}, {48, 4, 44, 48}, {52, 4, 48, 52},
    {56, 4, 56, 56}, {60, 4, 60, 60}, {64, 4, 64, 64}, {68, 4, 68, 68},
};

// The same moves joined into runs of neighbouring fields, per layout, so
// that a record is five fixed-size copies: a large VIEW.DIC converts a
// million records. The checks below keep the runs equal to the field table.
struct ViewRun {
    size_t to;
    size_t from;
    size_t width;
};
constexpr ViewRun kRelease40Runs[] = {{0, 0, 4}, {8, 8, 26}, {36, 34, 6}, {44, 40, 12}, {56, 56, 16}};
constexpr ViewRun kRelease401Runs[] = {{0, 0, 4}, {8, 8, 26}, {36, 36, 6}, {44, 44, 12}, {56, 56, 16}};

// True when every byte that a field move writes is written by a run from the
// same source byte, and the runs write nothing else.
template <size_t RunCount>
constexpr bool RunsMatchFields(const ViewRun (&runs)[RunCount], bool release40) {
    for (size_t at = 0; at < VIEW_RECORD_SIZE; ++at) {
        long fieldSource = -1;
        for (const ViewFieldMove& move : kViewFieldMoves) {
            if (at >= move.to && at < move.to + move.width) {
                fieldSource = static_cast<long>((release40 ? move.fromRelease40 : move.fromRelease401) + at - move.to);
            }
        }
        long runSource = -1;
        for (const ViewRun& run : runs) {
            if (at >= run.to && at < run.to + run.width) runSource = static_cast<long>(run.from + at - run.to);
        }
        if (fieldSource != runSource) return false;
    }
    return true;
}
static_assert(RunsMatchFields(kRelease40Runs, true));
static_assert(RunsMatchFields(kRelease401Runs, false));

template <const ViewRun* Runs, size_t... Index>
void MoveRuns(const uint8_t* oldRecord, uint8_t* currentRecord, std::index_sequence<Index...>) {
    (std::memcpy(currentRecord + Runs[Index].to, oldRecord + Runs[Index].from, Runs[Index].width), ...);
}

template <const ViewRun* Runs, size_t RunCount>
void ConvertRecords(const uint8_t* oldRecords, uint8_t* currentRecords, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint8_t* current = currentRecords + i * VIEW_RECORD_SIZE;
        std::memset(current, 0, VIEW_RECORD_SIZE);
        MoveRuns<Runs>(oldRecords + i * VIEW_RECORD_SIZE, current, std::make_index_sequence<RunCount>());
    }
}

}  // namespace

void ConvertViewRecord(const uint8_t* oldRecord, ViewLayout layout, uint8_t* currentRecord) {
    ConvertViewRecords(oldRecord, layout, currentRecord, 1);
}

void ConvertViewRecords(const uint8_t* oldRecords, ViewLayout layout, uint8_t* currentRecords, size_t count) {
    if (layout == ViewLayout::Release40) {
        ConvertRecords<kRelease40Runs, std::size(kRelease40Runs)>(oldRecords, currentRecords, count);
    } else {
        ConvertRecords<kRelease401Runs, std::size(kRelease401Runs)>(oldRecords, currentRecords, count);
    }
}
