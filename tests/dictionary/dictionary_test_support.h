// Helpers shared by the dictionary tests: fault injection turned on for one
// scope, and the standard output of a call captured.
#pragma once

#include <string>

#include "fault_injection.h"
#include "support/run_program.h"

namespace dictionary_test {

// ZEL_FAULT for the length of one scope; off again afterwards whatever
// the test did.
class FaultScope {
public:
    explicit FaultScope(const std::string& fault) {
        zel::testing::SetEnvironment("ZEL_FAULT", fault);
        ZelResetFaultInjection();
    }
    ~FaultScope() {
        zel::testing::UnsetEnvironment("ZEL_FAULT");
        ZelResetFaultInjection();
    }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

}  // namespace dictionary_test
