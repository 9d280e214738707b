// The power-cut model (ZEL_FAULT_END=power): a layer over the system's
// table that keeps what the disk would still hold if the machine lost its
// power now, and puts it back before the process ends. It learns of every
// change from the operations that pass through it, so that nothing a new
// operation does escapes the model:
// - a file's bytes are on the disk as of its last flush (File::Flush);
// - a name made, moved or removed is on the disk once its folder is
//   flushed (FlushFolder), both folders for a move.
// A cut (Cut) gives every file the bytes of its last flush, removes a name
// made since its folder was last flushed, and takes back every move and
// removal whose folders were not flushed since, last first (the strict
// model: the disk keeps nothing it was not made to keep). Off by default;
// then every operation passes down untouched.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace zel::toolkit {

class PowerLayer : public Layer {
public:
    // Forgets everything noted; on: starts taking note.
    void Track(bool on);
    bool Tracking() const { return on_; }

    // Puts the disk back as a power cut now would leave it; the caller ends
    // the process.
    void Cut();

    // The file at path reached the disk by a flush that did not pass
    // through the table (the file journal's C streams, until the journal
    // writes through its open files).
    void StreamFlushed(const Path& path);

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

    Path Key(const Path& path, Last last);
    OnDisk Current(const Path& key);
    void BeforeWrite(const Path& key);
    void FolderFlushed(const Path& folder);
    void PutBack(const Path& key, const OnDisk& disk);

    bool on_ = false;
    std::map<Path, OnDisk> files_;        // by the path as followed
    std::vector<PendingChange> pending_;  // in the order made
};

}  // namespace zel::toolkit
