// Whole-file reads and atomic whole-file writes through the toolkit, so that
// every file access of the kernel is a fault point and a failed write never
// leaves a half-written data file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zelkit.h"

namespace zel::kernel {

// Reads the whole file into contents in one go. On failure the last error
// names the operation and the file.
bool ReadWholeFile(const char* operation, const std::string& path, std::string* contents);

// Reads from the start of the file until `terminator` has been seen (or the
// file ends), at most `limit` bytes: enough for a header without reading a
// data file of millions of records.
bool ReadFileHead(const char* operation, const std::string& path, std::string_view terminator, size_t limit,
                  std::string* head);

// Whether path is a regular file: 1, 0, or -1 when the system cannot tell,
// with the last error naming the operation, the file and the reason. No
// caller may take that for a missing file: a database or index taken for
// missing would be written anew without what it holds.
int FileThere(const char* operation, const std::string& path);

// Removes the file if it is there; a missing file is not a failure.
bool RemoveFileIfPresent(const char* operation, const std::string& path);

// Creates the directory when it is missing.
bool EnsureDirectory(const char* operation, const std::string& directory);

// `directory` followed by one separator and `name`.
std::string JoinPath(const std::string& directory, const std::string& name);

// Where a database's data goes while the file journal records it.
enum class WhileJournalled {
    Aside,    // beside the target, as always
    InPlace,  // under the target's own name
};

// Writes a file beside its target ("<target>.new") through a large buffer and
// moves it over the target in one step on Commit. Destroying an uncommitted
// writer removes the file written aside, so the target stays as it was.
//
// With WhileJournalled::InPlace, a target the file journal records is
// written under its own name instead, made anew: the journal keeps the file
// it replaces whole (or notes that there was none) and puts it back after a
// stop or a crash, and its end flushes the new file once. So a database
// made empty and then filled in one run is flushed once, not at every
// write. A file left under the work name is removed as a name first.
class AtomicFileWriter {
public:
    AtomicFileWriter(const char* operation, std::string target,
                     WhileJournalled whileJournalled = WhileJournalled::Aside);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Open();
    bool Write(std::string_view bytes);
    bool Commit();

private:
    bool Flush();
    const std::string& Written() const { return inPlace_ ? target_ : aside_; }

    const char* operation_;
    std::string target_;
    std::string aside_;
    WhileJournalled whileJournalled_;
    bool inPlace_ = false;
    bool created_ = false;
    HZFILE file_ = nullptr;
    std::string buffer_;
    bool failed_ = false;
    bool committed_ = false;
};

}  // namespace zel::kernel
