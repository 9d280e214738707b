#include "support/row_sample.h"

#include <chrono>

#include "support/run_program.h"

namespace zel::testing {

RowSample::RowSample() {
    const int every = EnvironmentNumber("ZEL_ROW_SAMPLE", 1);
    if (every <= 1) return;
    every_ = static_cast<size_t>(every);
    const auto days = std::chrono::duration_cast<std::chrono::days>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    const int start = EnvironmentNumber("ZEL_ROW_SAMPLE_START", static_cast<int>(days));
    start_ = static_cast<size_t>(start < 0 ? 0 : start) % every_;
}

std::string RowSample::Describe() const {
    if (every_ <= 1) return "every row";
    return "one row in " + std::to_string(every_) + ", from row " + std::to_string(start_) +
           " (ZEL_ROW_SAMPLE_START=" + std::to_string(start_) + " repeats it)";
}

}  // namespace zel::testing
