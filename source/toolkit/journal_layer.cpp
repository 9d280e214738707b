#include "journal_layer.h"

#include <string>
#include <utility>

#include "env.h"
#include "zelkit.h"

namespace zel::toolkit {
namespace {

// The public call the change belongs to, for the journal's messages.
const char* Operation() {
    const char* entry = Env::Get().Faults().Entry();
    return entry != nullptr ? entry : "the file journal";
}

// The journal's failure, as it told it in the last error.
Status Told() {
    char text[1024];
    return Status::Told(Z_GetLastError(), Z_GetLastErrorPrompt(text, sizeof text));
}

// A file open to change in place, recorded page by page: each page's bytes
// as they were reach the journal before a write or a cut reaches them, and
// what is read of it from its start gives the checksum of a file read whole.
class JournalFile final : public FileLayer {
public:
    JournalFile(std::unique_ptr<File> inner, FileJournal& journal, std::string key)
        : FileLayer(std::move(inner)), journal_(journal), key_(std::move(key)) {}

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        Result<size_t> read = inner_->ReadAt(offset, buffer, size);
        if (read.ok()) journal_.AfterRead(key_, static_cast<int64_t>(offset), buffer, *read);
        return read;
    }
    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        if (!journal_.BeforeWrite(Operation(), key_, static_cast<int64_t>(offset), static_cast<int64_t>(size))) {
            return Told();
        }
        return inner_->WriteAt(offset, bytes, size);
    }
    Status Truncate(uint64_t size) override {
        if (!journal_.BeforeTruncate(Operation(), key_, static_cast<int64_t>(size))) return Told();
        return inner_->Truncate(size);
    }

private:
    FileJournal& journal_;
    std::string key_;
};

}  // namespace

FileJournal* RecordingJournal() {
    // Only a journal's own layer goes into its slot.
    auto* layer = static_cast<JournalLayer*>(Env::Get().Installed(Env::Slot::Journal));
    return layer != nullptr ? &layer->Journal() : nullptr;
}

Status JournalLayer::Recorded(const Path& path, JournalChange change, Last last) {
    const LastName lastName = last == Last::Follow ? LastName::Follow : LastName::Itself;
    return journal_.BeforeChange(Operation(), path.c_str(), change, lastName) ? Status() : Told();
}

Result<std::unique_ptr<File>> JournalLayer::Open(const Path& path, const OpenOptions& options) {
    if (options.bookkeeping) return below_->Open(path, options);
    switch (options.mode) {
        case OpenMode::Read:
        case OpenMode::Settle: return below_->Open(path, options);
        case OpenMode::CreateOnly: {
            if (Status recorded = Recorded(path, JournalChange::Make, Last::Itself); !recorded.ok()) return recorded;
            return below_->Open(path, options);
        }
        case OpenMode::Update: break;
    }
    if (Status recorded = Recorded(path, JournalChange::InPlace, options.last); !recorded.ok()) return recorded;
    Result<std::unique_ptr<File>> opened = below_->Open(path, options);
    if (!opened.ok()) return opened;
    std::string key = journal_.PagesKey(path.c_str());
    if (key.empty()) return opened;
    return std::unique_ptr<File>(new JournalFile(opened.TakeValue(), journal_, std::move(key)));
}

Status JournalLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    if (Status recorded = Recorded(from, JournalChange::Remove, Last::Itself); !recorded.ok()) return recorded;
    const Last last = mode == RenameMode::Replace ? Last::Follow : Last::Itself;
    if (Status recorded = Recorded(to, JournalChange::Replace, last); !recorded.ok()) return recorded;
    return below_->Rename(from, to, mode, touched);
}

Status JournalLayer::Link(const Path& existing, const Path& name, Touched* touched) {
    // The name gets a file as a move would give it one: a line saying it
    // was free reaches the disk first.
    if (Status recorded = Recorded(name, JournalChange::Replace, Last::Itself); !recorded.ok()) return recorded;
    return below_->Link(existing, name, touched);
}

Status JournalLayer::Remove(const Path& path, Touched* touched) {
    if (Status recorded = Recorded(path, JournalChange::Remove, Last::Itself); !recorded.ok()) return recorded;
    return below_->Remove(path, touched);
}

}  // namespace zel::toolkit
