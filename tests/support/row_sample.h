#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zel::testing {

// Under Wine every start of the program costs seconds, so CI runs a sample
// of the long tables there. ZEL_ROW_SAMPLE=N keeps every Nth row, starting
// at a row that moves with the day, so that N days of CI cover the whole
// table; ZEL_ROW_SAMPLE_START=K starts at row K instead (to repeat a day's
// sample). Without ZEL_ROW_SAMPLE every row runs.
class RowSample {
public:
    RowSample();

    // The rows of the sample, in the table's order; the output says which.
    template <typename Row>
    std::vector<Row> Of(std::vector<Row> rows) const {
        std::printf("[ table ] %s\n", Describe().c_str());
        if (every_ <= 1) return rows;
        std::vector<Row> taken;
        for (size_t index = start_; index < rows.size(); index += every_) taken.push_back(std::move(rows[index]));
        return taken;
    }

private:
    std::string Describe() const;

    size_t every_ = 1;
    size_t start_ = 0;
};

}  // namespace zel::testing
