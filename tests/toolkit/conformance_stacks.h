// The stacks the conformance suite holds to the table's contract: the
// system's own table, and each layer over it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform_files.h"

namespace zel::toolkit {

class Stack {
public:
    explicit Stack(std::unique_ptr<PlatformFileSystem> platform) : platform_(std::move(platform)) {}
    virtual ~Stack() = default;
    PlatformFileSystem& platform() { return *platform_; }
    virtual FileSystem& top() { return *platform_; }

private:
    std::unique_ptr<PlatformFileSystem> platform_;
};

struct StackMaker {
    std::string name;
    std::function<std::unique_ptr<Stack>()> make;
};

inline std::vector<StackMaker> ConformanceStacks() {
    return {
        {"Platform", [] { return std::make_unique<Stack>(MakePlatformFileSystem()); }},
    };
}

}  // namespace zel::toolkit
