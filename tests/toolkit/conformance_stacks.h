// The stacks the conformance suite holds to the table's contract: the
// system's own table, and each layer over it.
#pragma once

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "durable_layer.h"
#include "fault_layer.h"
#include "fault_table.h"
#include "overlay_layer.h"
#include "platform_files.h"
#include "power_layer.h"

namespace zel::toolkit {

class Stack {
public:
    explicit Stack(std::unique_ptr<PlatformFileSystem> platform) : platform_(std::move(platform)) {}
    virtual ~Stack() = default;
    PlatformFileSystem& platform() { return *platform_; }
    virtual FileSystem& top() { return *platform_; }
    // A layer that may owe a folder's flush answers for it at once.
    virtual bool OwesFlushes() const { return false; }
    // The layer keeps every change to itself: the disk below stays as it was.
    virtual bool KeepsChanges() const { return false; }

private:
    std::unique_ptr<PlatformFileSystem> platform_;
};

// The fault layer with nothing selected: every operation passes.
class FaultStack : public Stack {
public:
    FaultStack() : Stack(MakePlatformFileSystem()), fault_(faults_) { fault_.SetBelow(&platform()); }
    FileSystem& top() override { return fault_; }

private:
    FaultTable faults_;
    FaultLayer fault_;
};

// The durable layer with a batch open: every folder flush owed.
class DurableStack : public Stack {
public:
    DurableStack() : Stack(MakePlatformFileSystem()) {
        durable_.SetBelow(&platform());
        durable_.BeginBatch();
    }
    ~DurableStack() override { (void)durable_.EndBatch(); }
    FileSystem& top() override { return durable_; }
    bool OwesFlushes() const override { return true; }

private:
    DurableLayer durable_;
};

// The power-cut model taking note of every change (no cut is made).
class PowerStack : public Stack {
public:
    PowerStack() : Stack(MakePlatformFileSystem()) {
        power_.SetBelow(&platform());
        power_.Track(true);
    }
    FileSystem& top() override { return power_; }
    PowerLayer& power() { return power_; }

private:
    PowerLayer power_;
};

// The dry run's overlay: every change kept to itself, read back as made.
// Links on the disk are the disk's: a name the overlay changed is its own
// name, never what a link there names, so the cases about links that lead
// to changed files do not hold here.
class OverlayStack : public Stack {
public:
    OverlayStack() : Stack(MakePlatformFileSystem()), overlay_(SpillFolder(), 2 * 4096) { overlay_.SetBelow(&platform()); }
    FileSystem& top() override { return overlay_; }
    bool KeepsChanges() const override { return true; }

private:
    static std::string SpillFolder() {
        const char* folder = std::getenv("TMPDIR");
        return folder != nullptr && folder[0] != '\0' ? folder : ".";
    }
    OverlayLayer overlay_;
};

struct StackMaker {
    std::string name;
    std::function<std::unique_ptr<Stack>()> make;
};

inline void PrintTo(const StackMaker& maker, std::ostream* out) { *out << maker.name; }

inline std::vector<StackMaker> ConformanceStacks() {
    return {
        {"Platform", [] { return std::make_unique<Stack>(MakePlatformFileSystem()); }},
        {"Fault", [] { return std::unique_ptr<Stack>(new FaultStack()); }},
        {"Durable", [] { return std::unique_ptr<Stack>(new DurableStack()); }},
        {"Power", [] { return std::unique_ptr<Stack>(new PowerStack()); }},
        {"Overlay", [] { return std::unique_ptr<Stack>(new OverlayStack()); }},
    };
}

}  // namespace zel::toolkit
