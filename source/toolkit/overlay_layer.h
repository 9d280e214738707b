// A layer that keeps every change to itself. Nothing below it changes: a
// file written, made, renamed or removed through it is so only in its own
// view, and what is read back through it is what was written. The check of
// a run runs the run itself over this layer, so that what the check plans
// is what the run does, while the home stays as it was.
//
// Changed bytes are kept by 4 KiB page, in memory up to a budget and then
// in a private work file beneath the spill folder (never beneath a root),
// so that a check over a large dictionary costs what it changes, not what
// it reads. The program's own log and report pass through untouched.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace zel::toolkit {

class OverlayPages;
struct OverlayContent;

class OverlayLayer : public Layer {
public:
    // spillFolder: where the pages beyond memoryBytes go, in a file only
    // the program's account may read, removed when the layer goes.
    OverlayLayer(Path spillFolder, uint64_t memoryBytes);
    ~OverlayLayer() override;

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

private:
    // A name as this layer knows it: a file (its content), a folder made
    // here, or a name taken away (Missing); whichever it is, nothing below
    // it on the disk shows through.
    struct Node {
        Kind kind = Kind::Missing;
        std::shared_ptr<OverlayContent> content;
        std::string name;          // the last name as it was given, for listings
    };
    // What a name is, seen through this layer.
    struct View {
        Kind kind = Kind::Missing;
        const Node* node = nullptr;  // null: as the layer below has it
        Facts below;
    };

    Result<View> ViewOf(const Path& path, Last last);
    bool Shadowed(const std::string& key) const;
    Status NeedFolder(const Path& path);
    Result<std::shared_ptr<OverlayContent>> ContentOf(const Path& path, const View& view);
    std::shared_ptr<OverlayContent> NewContent(bool ownerOnly);
    void Put(const Path& path, Node node);
    void DropName(const View& view);
    Facts FactsOf(const OverlayContent& content) const;

    friend class OverlayFile;

    std::unique_ptr<OverlayPages> pages_;
    std::map<std::string, Node> nodes_;  // by Key(): absolute, and on Windows without ASCII case
    std::map<std::pair<uint64_t, uint64_t>, std::weak_ptr<OverlayContent>> byIdentity_;
    uint64_t nextIndex_ = 1;
};

}  // namespace zel::toolkit
