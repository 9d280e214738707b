// Progress in steps of ten percent. The last step (100) is left to the caller,
// which reports it once the work is really done (the file replaced).
#pragma once

#include <cstdint>

namespace zel::kernel {

class PercentSteps {
public:
    explicit PercentSteps(uint64_t total) : total_(total) {}

    // The percent to report now (10 to 90) when `done` reached a new step,
    // else 0.
    int Advance(uint64_t done) {
        if (total_ == 0) return 0;
        uint64_t percent = done >= total_ ? 100 : done * 100 / total_;
        int step = static_cast<int>(percent / 10) * 10;
        if (step >= 100) step = 90;
        if (step <= reported_) return 0;
        reported_ = step;
        return step;
    }

private:
    uint64_t total_;
    int reported_ = 0;
};

}  // namespace zel::kernel
