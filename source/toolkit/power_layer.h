// The power-cut model (ZEL_FAULT_END=power): a layer over the system's
// table that keeps what the disk would still hold if the machine lost its
// power now, and puts it back before the process ends. It learns of every
// change from the operations that pass through it, so that nothing a new
// operation does escapes the model:
// - a file's bytes are on the disk as of its last flush (File::Flush);
// - a name made, moved or removed is on the disk once its folder is
//   flushed (FlushFolder), both folders for a move.
// A cut (Cut) leaves the disk as one of three models says:
// - strict (ZEL_FAULT_END=power): every file has the bytes of its last
//   flush; a name made since its folder was last flushed goes, and every
//   move and removal whose folders were not flushed since is taken back,
//   last first. The disk keeps nothing it was not made to keep.
// - ordered (power:ordered[:K], K a number, "half" or "all"; 0 unsaid): one
//   log of name changes for the whole disk, as a journaling file system
//   keeps it: any flush of a file or a folder commits every name change
//   made before it, in order. Of the changes after the last commit the
//   first K reach the disk, the rest are taken back. Bytes as strict.
// - torn (power:torn[:SEED]): names as strict; of each file's bytes
//   written since its last flush, a run of 512-byte sectors from the first
//   that changed survives (as many as SEED draws, sector by sector in the
//   order of their offsets: for a file appended to, the order of the
//   writes), and a file that grew may keep its new length with its
//   sectors not yet written reading as zeros.
// An unknown model is the strict one. Off by default; then every
// operation passes down untouched.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace zel::toolkit {

enum class CutModel : uint8_t { Strict, Ordered, Torn };

struct CutChoice {
    CutModel model = CutModel::Strict;
    // Ordered: how many of the name changes since the last commit reach
    // the disk.
    enum class Keep : uint8_t { Count, Half, All } share = Keep::Count;
    uint32_t keep = 0;
    // Torn: draws how much of each file's unflushed bytes survive.
    uint64_t seed = 0;
};

// The model ZEL_FAULT_END names ("power", "power:ordered:half",
// "power:torn:7"); false when it names no power cut.
bool ParseCutChoice(const std::string& text, CutChoice* choice);

class PowerLayer : public Layer {
public:
    // Forgets everything noted; on: starts taking note, to cut as choice says.
    void Track(bool on, const CutChoice& choice = {});
    bool Tracking() const { return on_; }

    // Puts the disk back as a power cut now would leave it; the caller ends
    // the process.
    void Cut();

    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override;
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) override;
    Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) override;
    Status Remove(const Path& path, Touched* touched = nullptr) override;
    Status FlushFolder(const Path& folder) override;

    // The file at key (a path as followed) was flushed.
    void Flushed(const Path& key);

private:
    struct OnDisk {
        bool nameDurable = true;  // false: made since its folder was last flushed
        std::string bytes;        // what the disk holds of it
    };
    // A move or removal whose folders have not all been flushed since: a
    // cut gives each name back what the disk held under it before.
    struct PendingChange {
        Path from;
        Path to;  // empty for a removal
        OnDisk fromBefore;
        OnDisk toBefore;  // nameDurable false: there was no file
        bool fromSettled = false;
        bool toSettled = false;
    };

    // Ordered: what one name held before a change of it that no flush has
    // committed yet (nameDurable: a file was there); a move is two.
    struct LoggedName {
        uint64_t change = 0;
        Path name;
        OnDisk before;
    };

    Path Key(const Path& path, Last last);
    OnDisk Current(const Path& key);
    OnDisk Read(const Path& key);
    OnDisk Present(const Path& key);
    void BeforeWrite(const Path& key);
    void FolderFlushed(const Path& folder);
    void Log(const Path& key, OnDisk before, bool next);
    void Commit();
    void PutBack(const Path& key, const OnDisk& disk);
    std::string Torn(const Path& key, const std::string& durable);
    void CutOrdered();

    bool on_ = false;
    CutChoice choice_;
    std::map<Path, OnDisk> files_;        // by the path as followed
    std::vector<PendingChange> pending_;  // in the order made
    std::vector<LoggedName> log_;         // ordered: since the last commit, in the order made
    uint64_t changes_ = 0;
};

}  // namespace zel::toolkit
