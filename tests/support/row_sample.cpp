#include "support/row_sample.h"

#include <chrono>
#include <cstdlib>

namespace zel::testing {

namespace {

long Number(const char* name, long fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    return *end == '\0' && number >= 0 ? number : fallback;
}

}  // namespace

RowSample::RowSample() {
    const long every = Number("ZEL_ROW_SAMPLE", 1);
    if (every <= 1) return;
    every_ = static_cast<size_t>(every);
    const auto days = std::chrono::duration_cast<std::chrono::days>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    start_ = static_cast<size_t>(Number("ZEL_ROW_SAMPLE_START", static_cast<long>(days))) % every_;
}

std::string RowSample::Describe() const {
    if (every_ <= 1) return "every row";
    return "one row in " + std::to_string(every_) + ", from row " + std::to_string(start_) +
           " (ZEL_ROW_SAMPLE_START=" + std::to_string(start_) + " repeats it)";
}

}  // namespace zel::testing
