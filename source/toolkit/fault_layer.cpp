#include "fault_layer.h"

#include <utility>

namespace zel::toolkit {
namespace {

class FaultFile final : public FileLayer {
public:
    FaultFile(std::unique_ptr<File> inner, FaultTable& faults) : FileLayer(std::move(inner)), faults_(faults) {}

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (Selected("fs.Read")) return faults_.Injected();
        return inner_->ReadAt(offset, buffer, size);
    }
    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        if (Selected("fs.Write")) return faults_.Injected();
        return inner_->WriteAt(offset, bytes, size);
    }
    Status Truncate(uint64_t size) override {
        if (Selected("fs.Truncate")) return faults_.Injected();
        return inner_->Truncate(size);
    }
    Status Flush() override {
        if (Selected("fs.Flush")) return faults_.Injected();
        return inner_->Flush();
    }
    Result<Facts> Look() override {
        if (Selected("fs.FileLook")) return faults_.Injected();
        return inner_->Look();
    }
    Status SetAttributes(const Attributes& attributes) override {
        if (Selected("fs.SetAttributes")) return faults_.Injected();
        return inner_->SetAttributes(attributes);
    }
    Result<Ownership> Owner() override {
        if (Selected("fs.FileOwner")) return faults_.Injected();
        return inner_->Owner();
    }
    // A failed close still lets the file go.
    Status Close() override {
        const bool selected = Selected("fs.Close");
        Status closed = inner_->Close();
        return selected ? faults_.Injected() : closed;
    }

private:
    bool Selected(const char* name) { return faults_.Hit(name, PointKind::Operation, path()); }

    FaultTable& faults_;
};

}  // namespace

bool FaultLayer::Selected(const char* name, const Path& path, Status& status) {
    if (!faults_.Hit(name, PointKind::Operation, path)) return false;
    status = faults_.Injected();
    return true;
}

Result<Facts> FaultLayer::Look(const Path& path, Last last) {
    Status injected;
    if (Selected("fs.Look", path, injected)) return injected;
    return below_->Look(path, last);
}

Result<Path> FaultLayer::Resolve(const Path& path, Last last) {
    Status injected;
    if (Selected("fs.Resolve", path, injected)) return injected;
    return below_->Resolve(path, last);
}

Result<Ownership> FaultLayer::Owner(const Path& path, Last last) {
    Status injected;
    if (Selected("fs.Owner", path, injected)) return injected;
    return below_->Owner(path, last);
}

Result<std::vector<Entry>> FaultLayer::List(const Path& folder) {
    Status injected;
    if (Selected("fs.List", folder, injected)) return injected;
    return below_->List(folder);
}

Result<std::unique_ptr<File>> FaultLayer::Open(const Path& path, const OpenOptions& options) {
    if (options.bookkeeping) return below_->Open(path, options);
    Status injected;
    if (Selected("fs.Open", path, injected)) return injected;
    Result<std::unique_ptr<File>> opened = below_->Open(path, options);
    if (!opened.ok()) return opened;
    return std::unique_ptr<File>(new FaultFile(opened.TakeValue(), faults_));
}

Status FaultLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    Status injected;
    if (Selected("fs.Rename", to, injected)) return injected;
    return below_->Rename(from, to, mode, touched);
}

Status FaultLayer::Link(const Path& existing, const Path& name, Touched* touched) {
    Status injected;
    if (Selected("fs.Link", name, injected)) return injected;
    return below_->Link(existing, name, touched);
}

Status FaultLayer::Remove(const Path& path, Touched* touched) {
    Status injected;
    if (Selected("fs.Remove", path, injected)) return injected;
    return below_->Remove(path, touched);
}

Status FaultLayer::MakeFolder(const Path& path, bool ownerOnly, Touched* touched) {
    Status injected;
    if (Selected("fs.MakeFolder", path, injected)) return injected;
    return below_->MakeFolder(path, ownerOnly, touched);
}

Status FaultLayer::RemoveFolder(const Path& path, Touched* touched) {
    Status injected;
    if (Selected("fs.RemoveFolder", path, injected)) return injected;
    return below_->RemoveFolder(path, touched);
}

Status FaultLayer::FlushFolder(const Path& folder) {
    Status injected;
    if (Selected("fs.FlushFolder", folder, injected)) return injected;
    return below_->FlushFolder(folder);
}

Result<std::unique_ptr<Lock>> FaultLayer::TakeLock(const Path& path, LockMode mode) {
    Status injected;
    if (Selected("fs.Lock", path, injected)) return injected;
    return below_->TakeLock(path, mode);
}

Result<uint64_t> FaultLayer::FreeSpace(const Path& path) {
    Status injected;
    if (Selected("fs.FreeSpace", path, injected)) return injected;
    return below_->FreeSpace(path);
}

}  // namespace zel::toolkit
