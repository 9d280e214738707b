#include "buffered_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zel::toolkit {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

BufferedFile::BufferedFile(std::unique_ptr<File> file, Use use) : file_(std::move(file)), use_(use) {}

void BufferedFile::DropReadAhead() {
    readAt_ = 0;
    readEnd_ = 0;
}

Status BufferedFile::Drain() {
    if (write_.empty()) return Status();
    Status written = file_->WriteAt(writeStart_, write_.data(), write_.size());
    // Bytes that did not reach the system are not kept for another try: the
    // file is failed, and what it holds is said by the failure.
    write_.clear();
    return written;
}

Status BufferedFile::Fill() {
    if (Status drained = Drain(); !drained.ok()) return drained;
    read_.resize(kBufferSize);
    Result<size_t> count = file_->ReadAt(position_, read_.data(), read_.size());
    DropReadAhead();
    if (!count.ok()) return count.TakeStatus();
    readStart_ = position_;
    readEnd_ = *count;
    return Status();
}

int BufferedFile::SlowNextByte(Status& status) {
    status = Fill();
    if (!status.ok() || readEnd_ == 0) return -1;
    ++position_;
    return static_cast<unsigned char>(read_[readAt_++]);
}

Result<size_t> BufferedFile::Read(void* buffer, size_t size) {
    char* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (readAt_ == readEnd_) {
            // A large read goes to the file at once, past the buffer.
            if (size - done >= kBufferSize) {
                if (Status drained = Drain(); !drained.ok()) return drained;
                Result<size_t> count = file_->ReadAt(position_, out + done, size - done);
                if (!count.ok()) return count;
                position_ += *count;
                done += *count;
                break;
            }
            if (Status filled = Fill(); !filled.ok()) return filled;
            if (readEnd_ == 0) break;
        }
        const size_t take = std::min(size - done, readEnd_ - readAt_);
        std::memcpy(out + done, read_.data() + readAt_, take);
        readAt_ += take;
        position_ += take;
        done += take;
    }
    return done;
}

Status BufferedFile::Write(const void* bytes, size_t size) {
    // A file opened to read refuses a write at once, as the system would.
    if (use_ == Use::Read) return Status::FromErrno(EBADF);
    DropReadAhead();
    if (size == 0) return Status();
    if (use_ == Use::WriteThrough || size >= kBufferSize) {
        if (Status drained = Drain(); !drained.ok()) return drained;
        Status written = file_->WriteAt(position_, bytes, size);
        if (written.ok()) position_ += size;
        return written;
    }
    // Bytes written behind must follow on from those already held.
    if (!write_.empty() && writeStart_ + write_.size() != position_) {
        if (Status drained = Drain(); !drained.ok()) return drained;
    }
    if (write_.empty()) writeStart_ = position_;
    write_.append(static_cast<const char*>(bytes), size);
    position_ += size;
    return write_.size() >= kBufferSize ? Drain() : Status();
}

Status BufferedFile::Seek(uint64_t offset) {
    if (Status drained = Drain(); !drained.ok()) return drained;
    if (offset >= readStart_ && offset - readStart_ <= readEnd_) {
        readAt_ = static_cast<size_t>(offset - readStart_);
    } else {
        DropReadAhead();
    }
    position_ = offset;
    return Status();
}

Status BufferedFile::SeekEnd() {
    if (Status drained = Drain(); !drained.ok()) return drained;
    DropReadAhead();
    Result<Facts> facts = file_->Look();
    if (!facts.ok()) return facts.TakeStatus();
    position_ = facts->size;
    return Status();
}

Status BufferedFile::Truncate(uint64_t size) {
    if (Status drained = Drain(); !drained.ok()) return drained;
    DropReadAhead();
    if (Status cut = file_->Truncate(size); !cut.ok()) return cut;
    position_ = size;
    return Status();
}

Status BufferedFile::Sync() {
    if (Status drained = Drain(); !drained.ok()) return drained;
    return file_->Flush();
}

Status BufferedFile::Close() {
    Status drained = Drain();
    Status closed = file_->Close();
    return drained.ok() ? closed : drained;
}

}  // namespace zel::toolkit
