#include "record_file.h"

#include <algorithm>

#include "record_codec.h"
#include "shell_admin.h"

namespace zel::shell {

namespace {

// Records read per block when a whole file is read: about a megabyte.
constexpr uint64_t kBlockBytes = 1 << 20;

uint64_t RecordOffset(uint32_t slot, uint32_t recordSize) { return DICT_HEADER_SIZE + uint64_t{slot} * recordSize; }

// What a change in place overwrites or cuts away, to be written back when
// the change fails half way.
struct SavedBytes {
    uint64_t offset;
    StoredRecord bytes;
};

}  // namespace

RecordFile::~RecordFile() { DropHandle(); }

bool RecordFile::Open(const std::string& path, uint32_t recordSize, DictFailure* failure) {
    path_ = path;
    uint64_t size = 0;
    if (!Z_GetFileSize(path.c_str(), &size)) {
        *failure = ToolkitFailure("cannot find " + path);
        return false;
    }
    if (size < DICT_HEADER_SIZE) {
        *failure = DictFailure{Z_ERROR_BAD_ARGUMENT, path + " is shorter than its 96-byte header"};
        return false;
    }
    if (!EnsureOpen(false, failure)) return false;
    header_.assign(DICT_HEADER_SIZE, 0);
    if (Z_ReadFile(handle_, header_.data(), DICT_HEADER_SIZE, 1) != DICT_HEADER_SIZE) {
        *failure = ToolkitFailure("cannot read the header of " + path);
        DropHandle();
        return false;
    }
    if (!CheckDictHeader(path, header_.data(), size, failure)) return false;
    recordSize_ = static_cast<uint32_t>(ReadStoredInteger(header_.data(), HEADER_RECORD_SIZE, 4));
    count_ = static_cast<uint32_t>(ReadStoredInteger(header_.data(), HEADER_RECORD_COUNT, 4));
    if (recordSize_ == recordSize) return true;
    // An empty file of another record size simply takes ours on its next
    // change.
    if (count_ == 0) {
        recordSize_ = recordSize;
        return true;
    }
    *failure = DictFailure{SHELL_ERROR_BAD_FILE, path + " holds records of " + std::to_string(recordSize_) +
                                                     " bytes; this shell reads records of " +
                                                     std::to_string(recordSize) + " bytes"};
    return false;
}

bool RecordFile::Close(DictFailure* failure) {
    if (handle_ == nullptr) return true;
    HZFILE handle = handle_;
    handle_ = nullptr;
    if (Z_CloseFile(handle)) return true;
    *failure = ToolkitFailure("cannot close " + path_);
    return false;
}

bool RecordFile::EnsureOpen(bool writable, DictFailure* failure) {
    if (handle_ != nullptr && (writable_ || !writable)) return true;
    DropHandle();
    // Opened to write, the file is recorded by an open journal first.
    handle_ = Z_OpenFile(path_.c_str(), writable ? Z_MODE_READ_WRITE : Z_MODE_READ, 0, nullptr, 0);
    if (handle_ == nullptr) {
        *failure = ToolkitFailure("cannot open " + path_);
        return false;
    }
    writable_ = writable;
    return true;
}

// A handle a failure went through keeps its error state: the next use opens
// the file afresh.
void RecordFile::DropHandle() {
    if (handle_ != nullptr) Z_CloseFile(handle_);
    handle_ = nullptr;
    writable_ = false;
}

std::vector<uint8_t> RecordFile::HeaderFor(uint32_t count) const {
    std::vector<uint8_t> header = header_;
    WriteStoredInteger(header.data(), HEADER_RECORD_SIZE, 4, recordSize_);
    WriteStoredInteger(header.data(), HEADER_RECORD_COUNT, 4, count);
    return header;
}

bool RecordFile::ForEach(const std::function<bool(uint32_t slot, const uint8_t* record)>& visit, DictFailure* failure) {
    if (count_ == 0) return true;
    if (!EnsureOpen(false, failure)) return false;
    const uint32_t perBlock = static_cast<uint32_t>(std::max<uint64_t>(1, kBlockBytes / recordSize_));
    std::vector<uint8_t> block(static_cast<size_t>(std::min(perBlock, count_)) * recordSize_);
    if (!Z_SeekFile(handle_, DICT_HEADER_SIZE)) {
        *failure = ToolkitFailure("cannot read " + path_);
        DropHandle();
        return false;
    }
    for (uint32_t slot = 0; slot < count_;) {
        const uint32_t records = std::min(perBlock, count_ - slot);
        const int64_t bytes = int64_t{records} * recordSize_;
        if (Z_ReadFile(handle_, block.data(), bytes, 1) != bytes) {
            *failure = ToolkitFailure("cannot read the records of " + path_);
            DropHandle();
            return false;
        }
        for (uint32_t i = 0; i < records; ++i, ++slot) {
            if (!visit(slot, block.data() + size_t{i} * recordSize_)) return true;
        }
    }
    return true;
}

bool RecordFile::Read(uint32_t slot, StoredRecord* record, DictFailure* failure) {
    if (!EnsureOpen(false, failure)) return false;
    record->resize(recordSize_);
    if (!Z_SeekFile(handle_, static_cast<int64_t>(RecordOffset(slot, recordSize_))) ||
        Z_ReadFile(handle_, record->data(), recordSize_, 1) != recordSize_) {
        *failure = ToolkitFailure("cannot read a record of " + path_);
        DropHandle();
        return false;
    }
    return true;
}

FileChange::FileChange(RecordFile& file) : file_(file), count_(file.count_) {}

bool FileChange::Get(uint32_t slot, StoredRecord* record, DictFailure* failure) {
    auto found = changed_.find(slot);
    if (found == changed_.end()) return file_.Read(slot, record, failure);
    *record = found->second;
    return true;
}

void FileChange::Put(uint32_t slot, StoredRecord record) {
    changed_[slot] = std::move(record);
    if (slot == count_) ++count_;
}

bool FileChange::Remove(uint32_t slot, uint32_t* movedFrom, DictFailure* failure) {
    const uint32_t last = count_ - 1;
    *movedFrom = slot;
    if (slot != last) {
        StoredRecord moved;
        if (!Get(last, &moved, failure)) return false;
        changed_[slot] = std::move(moved);
        *movedFrom = last;
    } else {
        changed_.erase(slot);
    }
    changed_.erase(last);
    --count_;
    return true;
}

// The changed records (neighbours in one write), the header, and the cut
// when records went; then everything is flushed out of the stream, so a
// failure shows here and not later.
bool FileChange::WriteTo(HZFILE target, uint32_t oldCount) {
    const uint32_t size = file_.recordSize_;
    for (auto run = changed_.begin(); run != changed_.end();) {
        auto end = std::next(run);
        uint32_t next = run->first + 1;
        while (end != changed_.end() && end->first == next) {
            ++end;
            ++next;
        }
        std::vector<uint8_t> bytes;
        bytes.reserve(size_t{next - run->first} * size);
        for (auto it = run; it != end; ++it) bytes.insert(bytes.end(), it->second.begin(), it->second.end());
        if (!Z_SeekFile(target, static_cast<int64_t>(RecordOffset(run->first, size))) ||
            Z_WriteFile(target, bytes.data(), static_cast<int64_t>(bytes.size()), 1) !=
                static_cast<int64_t>(bytes.size())) {
            return false;
        }
        run = end;
    }
    const std::vector<uint8_t> header = file_.HeaderFor(count_);
    if (header != file_.header_ &&
        (!Z_SeekFile(target, 0) || Z_WriteFile(target, header.data(), DICT_HEADER_SIZE, 1) != DICT_HEADER_SIZE)) {
        return false;
    }
    if (count_ < oldCount && !Z_TruncateFile(target, static_cast<int64_t>(RecordOffset(count_, size)))) return false;
    return Z_FileError(target) == 0;
}

bool FileChange::Commit(DictFailure* failure) {
    if (changed_.empty() && count_ == file_.count_ && file_.HeaderFor(count_) == file_.header_) return true;
    const bool done =
        Z_IsFileJournalled(Z_RecordingJournal(), file_.path_.c_str()) ? CommitInPlace(failure) : CommitWhole(failure);
    if (!done) return false;
    file_.header_ = file_.HeaderFor(count_);
    file_.count_ = count_;
    return true;
}

bool FileChange::CommitInPlace(DictFailure* failure) {
    RecordFile& file = file_;
    const uint32_t oldCount = file.count_;
    const uint32_t oldRecordSize = static_cast<uint32_t>(ReadStoredInteger(file.header_.data(), HEADER_RECORD_SIZE, 4));
    const uint64_t oldLength = RecordOffset(oldCount, oldRecordSize);
    // What the change overwrites or cuts: the records it replaces, those it
    // removes from the end, and the header.
    std::vector<SavedBytes> saved;
    for (const auto& [slot, record] : changed_) {
        if (slot >= oldCount) break;
        saved.push_back({RecordOffset(slot, file.recordSize_), {}});
        if (!file.Read(slot, &saved.back().bytes, failure)) return false;
    }
    for (uint32_t slot = count_; slot < oldCount; ++slot) {
        if (changed_.count(slot) != 0) continue;
        saved.push_back({RecordOffset(slot, file.recordSize_), {}});
        if (!file.Read(slot, &saved.back().bytes, failure)) return false;
    }
    saved.push_back({0, file.header_});
    // The journal records every place the change reaches before the first
    // write, so that one flush of it comes before them all.
    HZJOURNAL journal = Z_RecordingJournal();
    for (const SavedBytes& part : saved) {
        if (!Z_JournalRange(journal, file.path_.c_str(), static_cast<int64_t>(part.offset),
                            static_cast<int64_t>(part.bytes.size()))) {
            *failure = ToolkitFailure("cannot record " + file.path_);
            return false;
        }
    }
    if (!file.EnsureOpen(true, failure)) return false;
    if (WriteTo(file.handle_, oldCount)) return true;
    *failure = ToolkitFailure("cannot write " + file.path_);

    // Put back what was there, so the file and the shell's view of it agree
    // again; the first failure's cause is the one reported.
    const uint32_t code = Z_GetLastError();
    const std::string cause = Z_GetLastErrorPrompt(nullptr, 0);
    file.DropHandle();
    DictFailure ignored;
    bool restored = file.EnsureOpen(true, &ignored);
    for (const SavedBytes& part : saved) {
        restored = restored && Z_SeekFile(file.handle_, static_cast<int64_t>(part.offset)) &&
                   Z_WriteFile(file.handle_, part.bytes.data(), static_cast<int64_t>(part.bytes.size()), 1) ==
                       static_cast<int64_t>(part.bytes.size());
    }
    restored =
        restored && Z_TruncateFile(file.handle_, static_cast<int64_t>(oldLength)) && Z_FileError(file.handle_) == 0;
    if (!restored) {
        damaged_ = true;
        file.DropHandle();
    }
    Z_SetLastErrorText(code, "%s", cause.c_str());
    return false;
}

bool FileChange::CommitWhole(DictFailure* failure) {
    RecordFile& file = file_;
    const uint32_t oldCount = file.count_;
    const std::string temporary = file.path_ + ".TMP";
    if (!file.EnsureOpen(false, failure)) return false;
    HZFILE copy = Z_CreateFile(temporary.c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (copy == nullptr) {
        *failure = ToolkitFailure("cannot create " + temporary);
        return false;
    }
    bool written = Z_SeekFile(file.handle_, 0) != 0;
    std::vector<uint8_t> block(static_cast<size_t>(kBlockBytes));
    while (written) {
        const int64_t count = Z_ReadFile(file.handle_, block.data(), static_cast<int64_t>(block.size()), 0);
        if (count == 0) {
            written = Z_FileError(file.handle_) == 0;
            break;
        }
        written = Z_WriteFile(copy, block.data(), count, 1) == count;
    }
    written = written && WriteTo(copy, oldCount);
    if (!written) *failure = ToolkitFailure("cannot write " + temporary);
    const bool closed = Z_CloseFile(copy) != 0;
    if (written && !closed) *failure = ToolkitFailure("cannot write " + temporary);
    // An open file cannot be replaced on every system.
    file.DropHandle();
    const bool replaced = written && closed && Z_ReplaceFile(temporary.c_str(), file.path_.c_str()) != 0;
    if (written && closed && !replaced) *failure = ToolkitFailure("cannot replace " + file.path_);
    if (!replaced) Z_DeleteFile(temporary.c_str());
    return replaced;
}

}  // namespace zel::shell
