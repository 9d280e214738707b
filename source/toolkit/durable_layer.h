// The durable layer: when the folder flushes that name changes owe reach
// the disk. A change of a name (a rename, a replacement, a removal) is
// durable only once its folder is flushed; every public call asks for that
// flush, and this layer makes it at once, or owes it:
// - inside a batch (Z_BeginDurableBatch ... Z_EndDurableBatch), for every
//   folder, flushed once each at the batch's end;
// - while a file journal records, for the folders it protects: a crash
//   before the journal is flushed is undone from the journal anyway, and
//   the journal's flush flushes every folder owed.
// Owed folders are flushed in the order of their first owed change, and in
// a batch a change in a folder that owes a flush while another folder
// changed after it first flushes every owed folder: whatever a crash keeps
// of a batch is a prefix of its changes, so that a later name is never on the disk
// without the earlier ones it depends on (the new PROFILE.INI before the
// removal of the batch files it launched).
//
// It also knows which files this process opened to change: a file it never
// wrote holds bytes that reached the disk before the run, and a rename of
// it owes no flush of them.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "file_system.h"
#include "path_lexical.h"

namespace zel::toolkit {

class DurableLayer : public Layer {
public:
    // Batches nest; the outermost end flushes every owed folder.
    void BeginBatch() { ++batches_; }
    Status EndBatch();
    bool InBatch() const { return batches_ > 0; }

    // The folders beneath base owe their flushes until StopDeferring, but
    // for those beneath except (the journal's own folder).
    void DeferBeneath(const LexicalPath& base, std::vector<LexicalPath> except);
    void StopDeferring();

    // Every owed folder, in order; the first that fails stops it (its path
    // in the status) and stays owed with the rest.
    Status FlushOwed();
    bool Owes(const Path& folder) const;
    // A flush owed for a change made here whose caller keeps it for later
    // (MakeFolders with nameOwedIn): the next flush of that folder, or any
    // flush of what is owed, pays it.
    void Owe(const Path& folder);
    // Flushes folder at once, deferred or not, when it is owed.
    Status FlushIfOwed(const Path& folder);

    // Whether the file of these facts was opened to change (or made) by
    // this process, through any of its names.
    bool ChangedHere(const Facts& facts) const { return changed_.count({facts.volume, facts.index}) != 0; }
    // Forgets them, as a process starting over would (a test): an identity
    // noted here may since be another file's.
    void ForgetChangedFiles() { changed_.clear(); }

    // Update with ownBytes: the file's other names (hard links) go first.
    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override;
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) override;
    Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) override;
    Status Remove(const Path& path, Touched* touched = nullptr) override;
    Status MakeFolder(const Path& path, bool ownerOnly, Touched* touched = nullptr) override;
    Status RemoveFolder(const Path& path, Touched* touched = nullptr) override;
    Status FlushFolder(const Path& folder) override;

private:
    bool Defers(const Path& folder) const;
    // Before a change in the folder that holds path: a prefix stays a
    // prefix; folderGoes: path is a folder about to be removed.
    Status BeforeChange(const Path& path, Last last, bool folderGoes = false);
    Status Changed(Status status, const Touched& touched, Touched* caller);

    int batches_ = 0;
    bool deferring_ = false;
    LexicalPath base_;
    std::vector<LexicalPath> except_;
    std::vector<Path> owed_;  // in the order of their first owed change
    Path lastChanged_;        // the folder of the last change of a name
    std::set<std::pair<uint64_t, uint64_t>> changed_;  // identities of the files opened to change
};

}  // namespace zel::toolkit
