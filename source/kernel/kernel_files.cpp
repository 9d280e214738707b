#include "kernel_files.h"

#include <cstdint>

#include "kernel_failure.h"
#include "path_text.h"

namespace zel::kernel {
namespace {

constexpr size_t kWriteBufferSize = 1 << 20;
constexpr size_t kHeadChunk = 64 * 1024;

}  // namespace

bool ReadWholeFile(const char* operation, const std::string& path, std::string* contents) {
    uint64_t size = 0;
    if (!Z_GetFileSize(path.c_str(), &size)) {
        return FailAfterToolkit(operation, "cannot read %s", path.c_str());
    }
    if (size > static_cast<uint64_t>(INT64_MAX) || size > contents->max_size()) {
        return Fail(operation, Z_ERROR_NO_MEMORY, "%s is too large to read", path.c_str());
    }
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return FailAfterToolkit(operation, "cannot open %s", path.c_str());
    contents->resize(static_cast<size_t>(size));
    bool ok =
        size == 0 || Z_ReadFile(file, contents->data(), static_cast<int64_t>(size), 1) == static_cast<int64_t>(size);
    if (!ok) {
        FailAfterToolkit(operation, "cannot read %s", path.c_str());
        Z_CloseFile(file);
        contents->clear();
        return false;
    }
    Z_CloseFile(file);
    return true;
}

bool ReadFileHead(const char* operation, const std::string& path, std::string_view terminator, size_t limit,
                  std::string* head) {
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return FailAfterToolkit(operation, "cannot open %s", path.c_str());
    head->clear();
    std::string chunk(kHeadChunk, '\0');
    while (head->size() < limit) {
        int64_t got = Z_ReadFile(file, chunk.data(), static_cast<int64_t>(chunk.size()), 0);
        if (got <= 0) break;
        size_t searchFrom = head->size() >= terminator.size() ? head->size() - terminator.size() : 0;
        head->append(chunk.data(), static_cast<size_t>(got));
        if (head->find(terminator, searchFrom) != std::string::npos) break;
    }
    bool failed = Z_FileError(file) != 0;
    Z_CloseFile(file);
    if (failed) return FailAfterToolkit(operation, "cannot read %s", path.c_str());
    return true;
}

int FileThere(const char* operation, const std::string& path) {
    const int there = Z_FileExists(path.c_str());
    if (there < 0) FailAfterToolkit(operation, "cannot tell whether %s is there", path.c_str());
    return there;
}

bool RemoveFileIfPresent(const char* operation, const std::string& path) {
    const int there = FileThere(operation, path);
    if (there <= 0) return there == 0;
    if (!Z_DeleteFile(path.c_str())) return FailAfterToolkit(operation, "cannot remove %s", path.c_str());
    return true;
}

bool EnsureDirectory(const char* operation, const std::string& directory) {
    const int there = Z_DirExists(directory.c_str());
    if (there < 0) return FailAfterToolkit(operation, "cannot tell whether the directory %s is there", directory.c_str());
    if (there > 0) return true;
    if (!Z_CreateDir(directory.c_str(), 0)) {
        return FailAfterToolkit(operation, "cannot create the directory %s", directory.c_str());
    }
    return true;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    std::string path = directory;
    if (!path.empty() && !zel::toolkit::EndsWithPathSeparator(path)) path += Z_PATH_SEPARATOR;
    path += name;
    return path;
}

AtomicFileWriter::AtomicFileWriter(const char* operation, std::string target, WhileJournalled whileJournalled)
    : operation_(operation),
      target_(std::move(target)),
      aside_(target_ + ".new"),
      whileJournalled_(whileJournalled) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) Z_CloseFile(file_);
    if (!committed_) {
        // The error that made the write fail is the one to report, not one
        // from the cleanup, which tries a name it cannot tell about too. A
        // target half written in place goes as well: the journal would take
        // it away, and nothing may read it before.
        KeepLastError keep;
        if (inPlace_ ? created_ : Z_NameExists(aside_.c_str()) != 0) Z_DeleteFile(Written().c_str());
    }
}

bool AtomicFileWriter::Open() {
    inPlace_ =
        whileJournalled_ == WhileJournalled::InPlace && Z_IsFileJournalled(Z_RecordingJournal(), target_.c_str()) != 0;
    if (inPlace_) {
        const int left = Z_NameExists(aside_.c_str());
        if (left < 0 || (left > 0 && !Z_DeleteFile(aside_.c_str()))) {
            failed_ = true;
            return FailAfterToolkit(operation_, "cannot remove %s", aside_.c_str());
        }
    }
    file_ = Z_CreateFile(Written().c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (file_ == nullptr) {
        failed_ = true;
        return FailAfterToolkit(operation_, "cannot create %s", Written().c_str());
    }
    created_ = true;
    buffer_.reserve(kWriteBufferSize);
    return true;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (failed_ || file_ == nullptr) return false;
    if (buffer_.size() + bytes.size() > kWriteBufferSize) {
        if (!Flush()) return false;
        if (bytes.size() > kWriteBufferSize) {
            if (Z_WriteFile(file_, bytes.data(), static_cast<int64_t>(bytes.size()), 1) !=
                static_cast<int64_t>(bytes.size())) {
                failed_ = true;
                return FailAfterToolkit(operation_, "cannot write %s", Written().c_str());
            }
            return true;
        }
    }
    buffer_.append(bytes);
    return true;
}

bool AtomicFileWriter::Flush() {
    if (buffer_.empty()) return true;
    if (Z_WriteFile(file_, buffer_.data(), static_cast<int64_t>(buffer_.size()), 1) !=
        static_cast<int64_t>(buffer_.size())) {
        failed_ = true;
        return FailAfterToolkit(operation_, "cannot write %s", Written().c_str());
    }
    buffer_.clear();
    return true;
}

bool AtomicFileWriter::Commit() {
    if (failed_ || file_ == nullptr) return false;
    if (!Flush()) return false;
    HZFILE file = file_;
    file_ = nullptr;
    if (!Z_CloseFile(file)) {
        failed_ = true;
        return FailAfterToolkit(operation_, "cannot write %s", Written().c_str());
    }
    if (inPlace_) {
        committed_ = true;
        return true;
    }
    if (!Z_ReplaceFile(aside_.c_str(), target_.c_str())) {
        failed_ = true;
        return FailAfterToolkit(operation_, "cannot replace %s", target_.c_str());
    }
    committed_ = true;
    return true;
}

}  // namespace zel::kernel
