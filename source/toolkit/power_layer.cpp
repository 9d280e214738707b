#include "power_layer.h"

#include <utility>

#include "path_lexical.h"

namespace zel::toolkit {
namespace {

// An open file whose flushes the model learns of.
class PowerFile final : public FileLayer {
public:
    PowerFile(std::unique_ptr<File> inner, PowerLayer& power, Path key)
        : FileLayer(std::move(inner)), power_(power), key_(std::move(key)) {}

    Status Flush() override {
        Status flushed = inner_->Flush();
        if (flushed.ok()) power_.Flushed(key_);
        return flushed;
    }

private:
    PowerLayer& power_;
    Path key_;
};

Path FolderOf(const Path& path) { return SplitLast(path).folder; }

}  // namespace

void PowerLayer::Track(bool on) {
    files_.clear();
    pending_.clear();
    on_ = on;
}

Path PowerLayer::Key(const Path& path, Last last) {
    Result<Path> resolved = below_->Resolve(path, last);
    if (resolved.ok()) return *resolved;
    LexicalPath lexical;
    return MakeLexical(path, lexical) ? lexical.Text() : path;
}

// What the disk holds under a name now: as noted, or as the file is.
PowerLayer::OnDisk PowerLayer::Current(const Path& key) {
    auto found = files_.find(key);
    if (found != files_.end()) return found->second;
    OnDisk disk;
    Result<std::unique_ptr<File>> file = below_->Open(key, OpenOptions{OpenMode::Read, Last::Itself});
    disk.nameDurable = file.ok();
    if (!file.ok()) return disk;
    char block[65536];
    for (uint64_t at = 0;;) {
        Result<size_t> count = (*file)->ReadAt(at, block, sizeof block);
        if (!count.ok() || *count == 0) break;
        disk.bytes.append(block, *count);
        at += *count;
    }
    (void)(*file)->Close();
    return disk;
}

// A file that was there is on the disk as it is now; a new one has no
// durable name or bytes yet.
void PowerLayer::BeforeWrite(const Path& key) {
    if (files_.count(key) == 0) files_[key] = Current(key);
}

void PowerLayer::Flushed(const Path& key) {
    auto found = files_.find(key);
    if (found == files_.end()) return;
    const bool durable = found->second.nameDurable;
    files_.erase(found);
    OnDisk now = Current(key);
    now.nameDurable = durable;
    files_[key] = std::move(now);
}

void PowerLayer::StreamFlushed(const Path& path) {
    if (on_) Flushed(Key(path, Last::Follow));
}

// A flushed folder makes the names of every file made in it durable, and
// settles the changes of names in it.
void PowerLayer::FolderFlushed(const Path& folder) {
    for (auto& [path, disk] : files_) {
        if (FolderOf(path) == folder) disk.nameDurable = true;
    }
    std::vector<PendingChange> still;
    for (PendingChange& change : pending_) {
        if (FolderOf(change.from) == folder) change.fromSettled = true;
        if (change.to.empty() || FolderOf(change.to) == folder) change.toSettled = true;
        if (!change.fromSettled || !change.toSettled) still.push_back(std::move(change));
    }
    pending_ = std::move(still);
}

Result<std::unique_ptr<File>> PowerLayer::Open(const Path& path, const OpenOptions& options) {
    if (!on_ || options.bookkeeping) return below_->Open(path, options);
    const bool creates = options.mode == OpenMode::CreateOnly;
    const Path key = Key(path, creates ? Last::Itself : options.last);
    if (creates || options.mode == OpenMode::Update) BeforeWrite(key);
    Result<std::unique_ptr<File>> opened = below_->Open(path, options);
    if (!opened.ok()) return opened;
    return std::unique_ptr<File>(new PowerFile(opened.TakeValue(), *this, key));
}

Status PowerLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    if (!on_) return below_->Rename(from, to, mode, touched);
    PendingChange change;
    change.from = Key(from, Last::Itself);
    change.to = Key(to, mode == RenameMode::Replace ? Last::Follow : Last::Itself);
    change.toBefore = Current(change.to);
    if (Status moved = below_->Rename(from, to, mode, touched); !moved.ok()) return moved;
    OnDisk moved;
    auto found = files_.find(change.from);
    if (found != files_.end()) {
        moved = found->second;
        files_.erase(found);
        change.fromBefore = moved;
    } else {
        // A file this run never wrote: on the disk as it is.
        files_.erase(change.to);
        moved = Current(change.to);
        change.fromBefore = moved;
        change.fromBefore.nameDurable = true;
    }
    moved.nameDurable = true;
    files_[change.to] = moved;
    pending_.push_back(std::move(change));
    return Status();
}

Status PowerLayer::Link(const Path& existing, const Path& name, Touched* touched) {
    if (!on_) return below_->Link(existing, name, touched);
    const Path existingKey = Key(existing, Last::Follow);
    const Path nameKey = Key(name, Last::Itself);
    if (Status linked = below_->Link(existing, name, touched); !linked.ok()) return linked;
    OnDisk disk = Current(existingKey);
    disk.nameDurable = false;
    files_[nameKey] = std::move(disk);
    return Status();
}

Status PowerLayer::Remove(const Path& path, Touched* touched) {
    if (!on_) return below_->Remove(path, touched);
    const Path key = Key(path, Last::Itself);
    BeforeWrite(key);
    if (Status removed = below_->Remove(path, touched); !removed.ok()) return removed;
    PendingChange change;
    change.from = key;
    change.fromBefore = files_[key];
    files_.erase(key);
    change.toSettled = true;
    pending_.push_back(std::move(change));
    return Status();
}

Status PowerLayer::FlushFolder(const Path& folder) {
    Status flushed = below_->FlushFolder(folder);
    if (on_ && flushed.ok()) FolderFlushed(Key(folder, Last::Follow));
    return flushed;
}

void PowerLayer::PutBack(const Path& key, const OnDisk& disk) {
    if (!disk.nameDurable) {
        (void)below_->Remove(key);
        return;
    }
    // A name that leads to the file of another name too (a hard link) is
    // given a file of its own, so that putting one back leaves the other.
    Result<Facts> facts = below_->Look(key, Last::Itself);
    if (facts.ok() && facts->kind == Kind::Regular && facts->links > 1) (void)below_->Remove(key);
    Result<std::unique_ptr<File>> file = below_->Open(key, OpenOptions{OpenMode::Update, Last::Itself});
    if (!file.ok()) file = below_->Open(key, OpenOptions{OpenMode::CreateOnly, Last::Itself});
    if (!file.ok()) return;
    (void)(*file)->Truncate(0);
    (void)(*file)->WriteAt(0, disk.bytes.data(), disk.bytes.size());
    (void)(*file)->Close();
}

void PowerLayer::Cut() {
    if (!on_) return;
    on_ = false;
    for (const auto& [path, disk] : files_) {
        Result<Facts> facts = below_->Look(path, Last::Itself);
        if (!facts.ok() || facts->kind != Kind::Regular) continue;
        PutBack(path, disk);
    }
    // Last change first, so that each name ends with what it held before the
    // first change of it that is not on the disk.
    for (auto change = pending_.rbegin(); change != pending_.rend(); ++change) {
        if (!change->to.empty()) PutBack(change->to, change->toBefore);
        if (change->fromBefore.nameDurable) PutBack(change->from, change->fromBefore);
    }
}

}  // namespace zel::toolkit
