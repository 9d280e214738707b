#pragma once

#include <cstddef>
#include <string>

namespace zel::testing {

// Under Wine every start of the program costs seconds, so CI runs a sample
// of the long tables there. ZEL_ROW_SAMPLE=N keeps every Nth row, starting
// at a row that moves with the day, so that N days of CI cover the whole
// table; ZEL_ROW_SAMPLE_START=K starts at row K instead (to repeat a day's
// sample). Without ZEL_ROW_SAMPLE every row runs.
class RowSample {
public:
    RowSample();
    bool Takes(size_t row) const { return every_ <= 1 || row % every_ == start_; }
    // "every row", or "one row in 3, from row 1 (...)".
    std::string Describe() const;

private:
    size_t every_ = 1;
    size_t start_ = 0;
};

}  // namespace zel::testing
