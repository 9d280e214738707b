#include "durable_layer.h"

#include <algorithm>

#include "durable_files.h"

namespace zel::toolkit {
namespace {

// Whether lexical is folder or lies beneath it, names compared as the file
// system compares them.
bool AtOrBeneath(const LexicalPath& lexical, const LexicalPath& folder) {
    if (!SameName(lexical.start, folder.start) || lexical.names.size() < folder.names.size()) return false;
    for (size_t at = 0; at < folder.names.size(); ++at) {
        if (!SameName(lexical.names[at], folder.names[at])) return false;
    }
    return true;
}

}  // namespace

Status DurableLayer::EndBatch() {
    if (batches_ > 0) --batches_;
    return batches_ > 0 ? Status() : FlushOwed();
}

void DurableLayer::DeferBeneath(const LexicalPath& base, std::vector<LexicalPath> except) {
    deferring_ = true;
    base_ = base;
    except_ = std::move(except);
}

void DurableLayer::StopDeferring() {
    deferring_ = false;
    except_.clear();
}

bool DurableLayer::Owes(const Path& folder) const { return std::find(owed_.begin(), owed_.end(), folder) != owed_.end(); }

void DurableLayer::Owe(const Path& folder) {
    if (!Owes(folder)) owed_.push_back(folder);
}

Status DurableLayer::FlushIfOwed(const Path& folder) {
    if (!Owes(folder)) return Status();
    Status flushed = below_->FlushFolder(folder);
    if (!flushed.ok()) return flushed.At(folder);
    owed_.erase(std::remove(owed_.begin(), owed_.end(), folder), owed_.end());
    return flushed;
}

bool DurableLayer::Defers(const Path& folder) const {
    if (batches_ > 0) return true;
    if (!deferring_) return false;
    LexicalPath lexical;
    if (!MakeLexical(folder, lexical) || !AtOrBeneath(lexical, base_)) return false;
    return std::none_of(except_.begin(), except_.end(),
                        [&](const LexicalPath& except) { return AtOrBeneath(lexical, except); });
}

Status DurableLayer::FlushOwed() {
    while (!owed_.empty()) {
        const Path folder = owed_.front();
        Status flushed = below_->FlushFolder(folder);
        // A folder removed since holds nothing to flush: its removal reaches
        // the disk with its own folder, which owes a flush for it.
        if (!flushed.ok() && !flushed.IsNotFound()) return flushed.At(folder);
        owed_.erase(owed_.begin());
    }
    lastChanged_.clear();
    return Status();
}

Status DurableLayer::BeforeChange(const Path& path, Last last, bool folderGoes) {
    // Under a journal alone the order needs no keeping: whatever a crash
    // keeps of its changes, the journal puts back.
    if (owed_.empty() || batches_ == 0) return Status();
    Result<Path> resolved = below_->Resolve(path, last);
    // A path that cannot be followed fails the change itself below.
    if (!resolved.ok()) return Status();
    // A folder removed right after a change inside it takes that change
    // with it: there is no order between them to keep.
    if (folderGoes && *resolved == lastChanged_) return Status();
    const Path folder = SplitLast(*resolved).folder;
    if (folder == lastChanged_ || !Owes(folder)) return Status();
    return FlushOwed();
}

Status DurableLayer::Changed(Status status, const Touched& touched, Touched* caller) {
    if (!status.ok()) return status;
    lastChanged_ = SplitLast(touched.name).folder;
    if (caller != nullptr) *caller = touched;
    return status;
}

Result<std::unique_ptr<File>> DurableLayer::Open(const Path& path, const OpenOptions& options) {
    // Update with ownBytes: the file's other names (hard links) go first.
    if (options.ownBytes && options.mode == OpenMode::Update) {
        if (Status separated = SeparateHardLinks(*this, path, options.last); !separated.ok()) return separated;
    }
    Result<std::unique_ptr<File>> opened = below_->Open(path, options);
    if (!opened.ok() || options.mode == OpenMode::Read || options.mode == OpenMode::Settle) return opened;
    // Noted before a byte is written; a file that cannot say who it is
    // fails here rather than be taken later for one whose bytes are on the
    // disk.
    Result<Facts> facts = (*opened)->Look();
    if (!facts.ok()) {
        (void)(*opened)->Close();
        // A file made by this open goes with its failure: the caller never
        // had it, so nothing else would take it away.
        if (options.mode == OpenMode::CreateOnly) (void)below_->Remove(path);
        return facts.TakeStatus().At(path);
    }
    changed_.insert({facts->volume, facts->index});
    return opened;
}

Status DurableLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    if (Status flushed = BeforeChange(from, Last::Itself); !flushed.ok()) return flushed;
    if (Status flushed = BeforeChange(to, mode == RenameMode::Replace ? Last::Follow : Last::Itself); !flushed.ok()) {
        return flushed;
    }
    Touched changed;
    return Changed(below_->Rename(from, to, mode, &changed), changed, touched);
}

Status DurableLayer::Link(const Path& existing, const Path& name, Touched* touched) {
    if (Status flushed = BeforeChange(name, Last::Itself); !flushed.ok()) return flushed;
    Touched changed;
    return Changed(below_->Link(existing, name, &changed), changed, touched);
}

Status DurableLayer::Remove(const Path& path, Touched* touched) {
    if (Status flushed = BeforeChange(path, Last::Itself); !flushed.ok()) return flushed;
    Touched changed;
    return Changed(below_->Remove(path, &changed), changed, touched);
}

Status DurableLayer::MakeFolder(const Path& path, bool ownerOnly, Touched* touched) {
    if (Status flushed = BeforeChange(path, Last::Itself); !flushed.ok()) return flushed;
    Touched changed;
    return Changed(below_->MakeFolder(path, ownerOnly, &changed), changed, touched);
}

Status DurableLayer::RemoveFolder(const Path& path, Touched* touched) {
    if (Status flushed = BeforeChange(path, Last::Itself, true); !flushed.ok()) return flushed;
    Touched changed;
    return Changed(below_->RemoveFolder(path, &changed), changed, touched);
}

Status DurableLayer::FlushFolder(const Path& folder) {
    if (Defers(folder)) {
        Owe(folder);
        return Status();
    }
    Status flushed = below_->FlushFolder(folder);
    if (flushed.ok()) owed_.erase(std::remove(owed_.begin(), owed_.end(), folder), owed_.end());
    return flushed;
}

}  // namespace zel::toolkit
