#include "power_loss.h"

#include <cstdio>
#include <map>
#include <vector>

#include "env.h"
#include "path_lexical.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

struct OnDisk {
    bool nameDurable = true;  // false: made since its folder was last flushed
    std::string bytes;        // what the disk holds of it
};

// A move or removal whose folders have not all been flushed since: a power
// cut gives each name back what the disk held under it before.
struct PendingChange {
    std::string from;
    std::string to;  // empty for a removal
    OnDisk fromBefore;
    OnDisk toBefore;  // nameDurable false: there was no file
    bool fromSettled = false;
    bool toSettled = false;
};

struct Tracker {
    bool on = false;
    std::map<std::string, OnDisk> files;  // by resolved path
    std::vector<PendingChange> pending;   // in the order made
};

Tracker& State() {
    static Tracker tracker;
    return tracker;
}

bool ReadAll(const std::string& path, std::string* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char block[65536];
    size_t count;
    bytes->clear();
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) bytes->append(block, count);
    std::fclose(file);
    return true;
}

std::string DirectoryOf(const std::string& path) { return SplitLast(path).folder; }

// What the disk holds under a name now: as noted, or as the file is.
OnDisk Current(Tracker& tracker, const std::string& file) {
    auto found = tracker.files.find(file);
    if (found != tracker.files.end()) return found->second;
    OnDisk disk;
    disk.nameDurable = ReadAll(file, &disk.bytes);
    return disk;
}

// A flushed folder makes the names of every file made in it durable, and
// settles the changes of names in it.
void DirectoryFlushed(Tracker& tracker, const std::string& directory) {
    for (auto& [path, disk] : tracker.files) {
        if (DirectoryOf(path) == directory) disk.nameDurable = true;
    }
    std::vector<PendingChange> still;
    for (PendingChange& change : tracker.pending) {
        if (DirectoryOf(change.from) == directory) change.fromSettled = true;
        if (change.to.empty() || DirectoryOf(change.to) == directory) change.toSettled = true;
        if (!change.fromSettled || !change.toSettled) still.push_back(change);
    }
    tracker.pending = still;
}

void PutBack(const std::string& path, const OnDisk& disk) {
    if (!disk.nameDurable) {
        std::remove(path.c_str());
        return;
    }
    // A name that leads to the file of another name too (a hard link) is
    // given a file of its own, so that putting one back leaves the other.
    FileFacts facts;
    Problem problem;
    if (PlatformFacts(path.c_str(), LastName::Itself, facts, problem) && facts.links > 1) std::remove(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(disk.bytes.data(), 1, disk.bytes.size(), file);
    std::fclose(file);
}

}  // namespace

void TrackPowerLoss(bool on) {
    State() = Tracker{};
    State().on = on;
}

void NoteBeforeWrite(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    const std::string file = PlatformResolvedPath(path);
    if (tracker.files.count(file) != 0) return;
    // A file that was there is on the disk as it is now; a new one has no
    // durable name or bytes yet.
    tracker.files[file] = Current(tracker, file);
}

void NoteFlushed(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    const std::string file = PlatformResolvedPath(path);
    auto found = tracker.files.find(file);
    if (found != tracker.files.end()) ReadAll(file, &found->second.bytes);
}

void NoteMoved(const char* from, const char* to) {
    Tracker& tracker = State();
    if (!tracker.on || from == nullptr || to == nullptr) return;
    const std::string source = PlatformResolvedPath(from);
    const std::string target = PlatformResolvedPath(to);
    PendingChange change;
    change.from = source;
    change.to = target;
    change.toBefore = Current(tracker, target);
    OnDisk moved;
    auto found = tracker.files.find(source);
    if (found != tracker.files.end()) {
        moved = found->second;
        tracker.files.erase(found);
        change.fromBefore = moved;
    } else {
        // A file this run never wrote: on the disk as it is.
        ReadAll(target, &moved.bytes);
        change.fromBefore = moved;
        change.fromBefore.nameDurable = true;
    }
    moved.nameDurable = true;
    tracker.files[target] = moved;
    change.fromSettled = !Env::Get().Durable().Owes(DirectoryOf(source));
    change.toSettled = !Env::Get().Durable().Owes(DirectoryOf(target));
    if (!change.fromSettled || !change.toSettled) tracker.pending.push_back(change);
    if (change.toSettled) DirectoryFlushed(tracker, DirectoryOf(target));
    if (change.fromSettled) DirectoryFlushed(tracker, DirectoryOf(source));
}

void NoteDeleted(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    const std::string file = PlatformResolvedPath(path);
    PendingChange change;
    change.from = file;
    auto found = tracker.files.find(file);
    if (found != tracker.files.end()) {
        change.fromBefore = found->second;
        tracker.files.erase(found);
    } else {
        change.fromBefore.nameDurable = false;
    }
    change.toSettled = true;
    change.fromSettled = !Env::Get().Durable().Owes(DirectoryOf(file));
    if (!change.fromSettled) {
        tracker.pending.push_back(change);
    } else {
        DirectoryFlushed(tracker, DirectoryOf(file));
    }
}

void NoteLinked(const char* existing, const char* linkName) {
    Tracker& tracker = State();
    if (!tracker.on || existing == nullptr || linkName == nullptr) return;
    OnDisk linked = Current(tracker, PlatformResolvedPath(existing));
    linked.nameDurable = false;
    tracker.files[PlatformResolvedPath(linkName)] = linked;
}

void NoteFolderFlushed(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    DirectoryFlushed(tracker, DirectoryOf(PlatformResolvedPath(path)));
}

void NoteDirectoryFlushed(const char* folder) {
    Tracker& tracker = State();
    if (!tracker.on || folder == nullptr) return;
    DirectoryFlushed(tracker, PlatformResolvedPath(folder));
}

void LoseUnflushedWrites() {
    Tracker& tracker = State();
    if (!tracker.on) return;
    for (const auto& [path, disk] : tracker.files) {
        FileFacts facts;
        Problem problem;
        if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem) || facts.kind != FileKind::Regular) continue;
        PutBack(path, disk);
    }
    // Last change first, so that each name ends with what it held before the
    // first change of it that is not on the disk.
    for (auto change = tracker.pending.rbegin(); change != tracker.pending.rend(); ++change) {
        if (!change->to.empty()) PutBack(change->to, change->toBefore);
        if (change->fromBefore.nameDurable) PutBack(change->from, change->fromBefore);
    }
}

}  // namespace zel::toolkit
