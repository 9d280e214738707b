#include "power_layer.h"

#include <algorithm>
#include <string_view>
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

constexpr size_t kSector = 512;

// A draw of the torn model's for one file: the same seed and name, the
// same tear.
uint64_t Draw(uint64_t seed, const Path& key) {
    uint64_t mixed = 14695981039346656037ull ^ seed;
    for (char c : key) mixed = (mixed ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    mixed += 0x9e3779b97f4a7c15ull;
    mixed = (mixed ^ (mixed >> 30)) * 0xbf58476d1ce4e5b9ull;
    mixed = (mixed ^ (mixed >> 27)) * 0x94d049bb133111ebull;
    return mixed ^ (mixed >> 31);
}

std::string_view SectorAt(const std::string& bytes, size_t at) {
    return at >= bytes.size() ? std::string_view() : std::string_view(bytes).substr(at, kSector);
}

bool ParseNumber(std::string_view text, uint64_t* number) {
    if (text.empty() || text.size() > 19) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    *number = value;
    return true;
}

}  // namespace

bool ParseCutChoice(const std::string& text, CutChoice* choice) {
    std::string_view rest(text);
    if (rest.substr(0, 5) != "power") return false;
    rest.remove_prefix(5);
    *choice = CutChoice{};
    if (rest.empty() || rest.front() != ':') return true;
    rest.remove_prefix(1);
    const size_t colon = rest.find(':');
    const std::string_view model = rest.substr(0, colon);
    const std::string_view value = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    uint64_t number = 0;
    if (model == "ordered") {
        choice->model = CutModel::Ordered;
        if (value == "half") choice->share = CutChoice::Keep::Half;
        if (value == "all") choice->share = CutChoice::Keep::All;
        if (ParseNumber(value, &number)) choice->keep = static_cast<uint32_t>(std::min<uint64_t>(number, UINT32_MAX));
    } else if (model == "torn") {
        choice->model = CutModel::Torn;
        if (ParseNumber(value, &number)) choice->seed = number;
    }
    return true;
}

void PowerLayer::Track(bool on, const CutChoice& choice) {
    files_.clear();
    pending_.clear();
    log_.clear();
    choice_ = choice;
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
    return Read(key);
}

// The file under a name as it is (nameDurable: there is one).
PowerLayer::OnDisk PowerLayer::Read(const Path& key) {
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

// What the disk holds under a name now, nameDurable saying whether a file
// is there at all (made by this run or not).
PowerLayer::OnDisk PowerLayer::Present(const Path& key) {
    const bool noted = files_.count(key) != 0;
    OnDisk disk = Current(key);
    disk.nameDurable = disk.nameDurable || noted;
    return disk;
}

// Ordered: notes what a name held before a change of it; next says the
// name belongs to a change of its own (a move's target shares its source's).
void PowerLayer::Log(const Path& key, OnDisk before, bool next) {
    if (choice_.model != CutModel::Ordered) return;
    if (next) ++changes_;
    log_.push_back(LoggedName{changes_, key, std::move(before)});
}

// Ordered: a flush of anything commits every name change made before it.
void PowerLayer::Commit() {
    if (choice_.model == CutModel::Ordered) log_.clear();
}

// A file that was there is on the disk as it is now; a new one has no
// durable name or bytes yet.
void PowerLayer::BeforeWrite(const Path& key) {
    if (files_.count(key) == 0) files_[key] = Current(key);
}

void PowerLayer::Flushed(const Path& key) {
    Commit();
    auto found = files_.find(key);
    if (found == files_.end()) return;
    const bool durable = found->second.nameDurable;
    files_.erase(found);
    OnDisk now = Current(key);
    now.nameDurable = durable;
    files_[key] = std::move(now);
}

// A flushed folder makes the names of every file made in it durable, and
// settles the changes of names in it.
void PowerLayer::FolderFlushed(const Path& folder) {
    Commit();
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
    if (creates) Log(key, OnDisk{false, {}}, true);
    return std::unique_ptr<File>(new PowerFile(opened.TakeValue(), *this, key));
}

Status PowerLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    if (!on_) return below_->Rename(from, to, mode, touched);
    PendingChange change;
    change.from = Key(from, Last::Itself);
    change.to = Key(to, mode == RenameMode::Replace ? Last::Follow : Last::Itself);
    change.toBefore = Current(change.to);
    OnDisk toPresent = change.toBefore;
    toPresent.nameDurable = toPresent.nameDurable || files_.count(change.to) != 0;
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
    OnDisk fromPresent = change.fromBefore;
    fromPresent.nameDurable = true;
    Log(change.from, std::move(fromPresent), true);
    Log(change.to, std::move(toPresent), false);
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
    Log(nameKey, OnDisk{false, {}}, true);
    OnDisk disk = Current(existingKey);
    disk.nameDurable = false;
    files_[nameKey] = std::move(disk);
    return Status();
}

Status PowerLayer::Remove(const Path& path, Touched* touched) {
    if (!on_) return below_->Remove(path, touched);
    const Path key = Key(path, Last::Itself);
    OnDisk present = choice_.model == CutModel::Ordered ? Present(key) : OnDisk{};
    BeforeWrite(key);
    if (Status removed = below_->Remove(path, touched); !removed.ok()) return removed;
    Log(key, std::move(present), true);
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

// Torn: what the disk holds of a file whose name is on it, from its bytes
// at the last flush (durable) and as written since.
std::string PowerLayer::Torn(const Path& key, const std::string& durable) {
    const OnDisk now = Read(key);
    std::vector<size_t> changed;  // offsets of the sectors written since
    for (size_t at = 0; at < std::max(now.bytes.size(), durable.size()); at += kSector) {
        if (SectorAt(now.bytes, at) != SectorAt(durable, at)) changed.push_back(at);
    }
    const uint64_t draw = Draw(choice_.seed, key);
    const size_t kept = static_cast<size_t>(draw % (changed.size() + 1));
    if (kept == changed.size()) return now.bytes;
    size_t length = durable.size();
    if ((draw >> 32 & 1) != 0) {
        length = now.bytes.size();  // the new length went ahead of the bytes
    } else if (kept > 0 && now.bytes.size() > durable.size()) {
        length = std::max(length, std::min(now.bytes.size(), changed[kept - 1] + kSector));
    }
    std::string torn = durable;
    torn.resize(length, '\0');
    for (size_t sector = 0; sector < kept; ++sector) {
        const size_t at = changed[sector];
        if (at >= length || at >= now.bytes.size()) continue;
        const size_t count = std::min({kSector, now.bytes.size() - at, length - at});
        torn.replace(at, count, now.bytes, at, count);
    }
    return torn;
}

// Ordered: of the name changes since the last commit the first ones the
// model keeps stay, the others are taken back, last first.
void PowerLayer::CutOrdered() {
    if (log_.empty()) return;
    const uint64_t first = log_.front().change;
    const uint64_t count = changes_ - first + 1;
    uint64_t keep = std::min<uint64_t>(choice_.keep, count);
    if (choice_.share == CutChoice::Keep::Half) keep = count / 2;
    if (choice_.share == CutChoice::Keep::All) keep = count;
    for (auto name = log_.rbegin(); name != log_.rend() && name->change >= first + keep; ++name) {
        PutBack(name->name, name->before);
    }
}

void PowerLayer::Cut() {
    if (!on_) return;
    on_ = false;
    for (const auto& [path, noted] : files_) {
        Result<Facts> facts = below_->Look(path, Last::Itself);
        if (!facts.ok() || facts->kind != Kind::Regular) continue;
        if (choice_.model == CutModel::Strict || (choice_.model == CutModel::Torn && !noted.nameDurable)) {
            PutBack(path, noted);
            continue;
        }
        OnDisk disk = noted;
        // Ordered: the names come from the log below.
        if (choice_.model == CutModel::Ordered) disk.nameDurable = true;
        if (choice_.model == CutModel::Torn) disk.bytes = Torn(path, noted.bytes);
        PutBack(path, disk);
    }
    if (choice_.model == CutModel::Ordered) {
        CutOrdered();
        return;
    }
    // Last change first, so that each name ends with what it held before the
    // first change of it that is not on the disk.
    for (auto change = pending_.rbegin(); change != pending_.rend(); ++change) {
        if (!change->to.empty()) PutBack(change->to, change->toBefore);
        if (change->fromBefore.nameDurable) PutBack(change->from, change->fromBefore);
    }
}

}  // namespace zel::toolkit
