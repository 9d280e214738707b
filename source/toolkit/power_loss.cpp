#include "power_loss.h"

#include <cstdio>
#include <map>
#include <vector>

#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

struct OnDisk {
    bool nameDurable = true;  // false: made since its directory was last flushed
    std::string bytes;        // what the disk holds of it
};

struct Tracker {
    bool on = false;
    std::map<std::string, OnDisk> files;  // by resolved path
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

std::string DirectoryOf(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// A flushed directory makes the names of every file made in it durable.
void DirectoryFlushed(Tracker& tracker, const std::string& directory) {
    for (auto& [path, disk] : tracker.files) {
        if (DirectoryOf(path) == directory) disk.nameDurable = true;
    }
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
    OnDisk disk;
    // A file that was there is on the disk as it is now; a new one has no
    // durable name or bytes yet.
    disk.nameDurable = ReadAll(file, &disk.bytes);
    tracker.files[file] = disk;
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
    OnDisk moved;
    auto found = tracker.files.find(source);
    if (found != tracker.files.end()) {
        moved = found->second;
        tracker.files.erase(found);
    } else {
        ReadAll(target, &moved.bytes);
    }
    moved.nameDurable = true;
    tracker.files[target] = moved;
    DirectoryFlushed(tracker, DirectoryOf(target));
    DirectoryFlushed(tracker, DirectoryOf(source));
}

void NoteDeleted(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    const std::string file = PlatformResolvedPath(path);
    tracker.files.erase(file);
    DirectoryFlushed(tracker, DirectoryOf(file));
}

void NoteFolderFlushed(const char* path) {
    Tracker& tracker = State();
    if (!tracker.on || path == nullptr) return;
    DirectoryFlushed(tracker, DirectoryOf(PlatformResolvedPath(path)));
}

void LoseUnflushedWrites() {
    Tracker& tracker = State();
    if (!tracker.on) return;
    for (const auto& [path, disk] : tracker.files) {
        FileFacts facts;
        Problem problem;
        if (!PlatformFacts(path.c_str(), LastName::Itself, facts, problem) || facts.kind != FileKind::Regular) continue;
        if (!disk.nameDurable) {
            std::remove(path.c_str());
            continue;
        }
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) continue;
        std::fwrite(disk.bytes.data(), 1, disk.bytes.size(), file);
        std::fclose(file);
    }
}

}  // namespace zel::toolkit
