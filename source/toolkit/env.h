// The environment: the one process-wide object of the toolkit's files. It
// holds the stack every public call goes through, built on first use from
// the environment variables:
//
//   [way back] [journal] [recorder] [overlay]   slots a run installs and removes
//   [durable]   folder flushes: now, or owed to a batch or a journal, in order
//   [fault]     ZEL_FAULT: fail any operation by name and count
//   [power]     ZEL_FAULT_END=power...: what the disk holds, and the cut
//   [platform]  the system's table, the walk by the link rule, the roots
//
// Every layer's calls go down only: none includes the header of one above
// it.
#pragma once

#include <array>
#include <memory>

#include "durable_layer.h"
#include "fault_layer.h"
#include "fault_table.h"
#include "file_system.h"
#include "platform_files.h"
#include "power_layer.h"

namespace zel::toolkit {

class Env {
public:
    static Env& Get();

    // What every public call of the toolkit uses.
    FileSystem& Top() { return *top_; }
    PlatformFileSystem& Platform() { return *platform_; }
    FaultTable& Faults() { return faults_; }
    DurableLayer& Durable() { return durable_; }
    PowerLayer& Power() { return power_; }

    // Reads the fault variables again (ZelResetFaultInjection).
    void Reload();

    // The run's layers, above the environment's own, in this order from the
    // top; a slot holds one layer or none.
    enum class Slot { WayBack, Journal, Recorder, Overlay };
    void Install(Slot slot, Layer* layer);
    void Remove(Slot slot);
    Layer* Installed(Slot slot) const { return slots_[static_cast<size_t>(slot)]; }

private:
    Env();
    void Rewire();
    void TrackPower();

    std::unique_ptr<PlatformFileSystem> platform_;
    FaultTable faults_;
    FaultLayer fault_;
    PowerLayer power_;
    DurableLayer durable_;
    std::array<Layer*, 4> slots_{};
    FileSystem* top_ = nullptr;
};

// The table every public call goes through.
inline FileSystem& Files() { return Env::Get().Top(); }

// Whether this process opened the file to change (DurableLayer::ChangedHere).
inline bool ChangedHere(const Facts& facts) { return Env::Get().Durable().ChangedHere(facts); }

}  // namespace zel::toolkit
