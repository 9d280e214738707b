// The file journal in the stack (env.h, the run's Journal slot): while a
// journal records, every change a call makes to a file passes here on its
// way down, and what the file was is recorded first (file_journal.h), so
// that no operation of the table can change a file behind the journal's
// back:
//   Open to create          the name: no file was there, or the file kept whole
//   Open to update          the file changed in place: its pages as they are
//                           written (WriteAt) or cut away (Truncate)
//   Rename                  the old name loses its file; the new one gets
//                           another (a rename that may not replace takes the
//                           name itself, one that may the file a link names)
//   Link                    the new name gets a file
//   Remove                  the name loses its file
// A failure to record stops the change, told in the journal's own words.
#pragma once

#include <memory>

#include "file_journal.h"
#include "file_system.h"

namespace zel::toolkit {

// The layer of one journal, which owns it.
class JournalLayer : public Layer {
public:
    explicit JournalLayer(FileJournal& journal) : journal_(journal) {}
    FileJournal& Journal() const { return journal_; }

    Result<std::unique_ptr<File>> Open(const Path& path, const OpenOptions& options) override;
    Status Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched = nullptr) override;
    Status Link(const Path& existing, const Path& name, Touched* touched = nullptr) override;
    Status Remove(const Path& path, Touched* touched = nullptr) override;

private:
    Status Recorded(const Path& path, JournalChange change, Last last);

    FileJournal& journal_;
};

}  // namespace zel::toolkit
