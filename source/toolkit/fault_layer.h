// The fault layer: every operation of the table, and every operation on an
// open file, is a fault point (fault_table.h) under its own name, so that a
// test can fail any system call the toolkit makes and see the failure's
// path up to the message. The program's log and report (bookkeeping) are
// no points: they never change what a sweep finds.
#pragma once

#include "fault_table.h"
#include "file_system.h"

namespace zel::toolkit {

class FaultLayer : public Layer {
public:
    explicit FaultLayer(FaultTable& faults) : faults_(faults) {}

    Result<Facts> Look(const Path& path, Last last) override;
    Result<Path> Resolve(const Path& path, Last last) override;
    Result<Ownership> Owner(const Path& path, Last last) override;
    Result<std::vector<Entry>> List(const Path& folder) override;
    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override;
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) override;
    Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) override;
    Status Remove(const Path& path, Touched* touched = nullptr) override;
    Status MakeFolder(const Path& path, bool ownerOnly, Touched* touched = nullptr) override;
    Status RemoveFolder(const Path& path, Touched* touched = nullptr) override;
    Status FlushFolder(const Path& folder) override;
    Result<std::unique_ptr<Lock>> TakeLock(const Path& path, LockMode mode) override;
    Result<uint64_t> FreeSpace(const Path& path) override;

private:
    // True (with the failure in status) when the test selected this point.
    bool Selected(const char* name, const Path& path, Status& status);

    FaultTable& faults_;
};

}  // namespace zel::toolkit
