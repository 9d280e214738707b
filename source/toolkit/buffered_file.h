// An open file of the table read ahead and written behind, with its
// position always known: what HZFILE reads lines and bytes through. Bytes
// written reach the system when the buffer fills, before any read or move,
// and at Drain; a file written through (the program's log) sends each write
// at once, so that a killed run leaves every byte it wrote.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "file_system.h"

namespace zel::toolkit {

class BufferedFile {
public:
    enum class Use { Read, Write, WriteThrough };
    BufferedFile(std::unique_ptr<File> file, Use use);

    File& file() { return *file_; }
    uint64_t Position() const { return position_; }

    // Up to size bytes from the position on; fewer only at the end.
    Result<size_t> Read(void* buffer, size_t size);
    // The next byte, or -1 at the end (status ok) or on a failure.
    int NextByte(Status& status) {
        if (readAt_ < readEnd_) {
            ++position_;
            return static_cast<unsigned char>(read_[readAt_++]);
        }
        return SlowNextByte(status);
    }
    Status Write(const void* bytes, size_t size);
    Status Seek(uint64_t offset);
    Status SeekEnd();
    Status Truncate(uint64_t size);
    // Sends the bytes written behind to the system.
    Status Drain();
    // Drains, then sends the file's bytes to the disk.
    Status Sync();
    Status Close();

private:
    int SlowNextByte(Status& status);
    Status Fill();
    void DropReadAhead();

    std::unique_ptr<File> file_;
    Use use_;
    uint64_t position_ = 0;
    // Read ahead: the bytes [readStart_, readStart_ + readEnd_) of the file;
    // readAt_ is where position_ lies in them.
    std::string read_;
    uint64_t readStart_ = 0;
    size_t readAt_ = 0;
    size_t readEnd_ = 0;
    // Written behind: bytes for [writeStart_, writeStart_ + size) of the
    // file.
    std::string write_;
    uint64_t writeStart_ = 0;
};

}  // namespace zel::toolkit
