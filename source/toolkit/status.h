// What a file operation answers: done, or why not, as a value the caller
// keeps (nothing later overwrites it). The kinds of failure are few and
// the same on every system; the system's own error number and text travel
// with them, so that a message names the real reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace zel::toolkit {

enum class Code : uint8_t {
    Ok,
    NotFound,        // ENOENT; FILE/PATH_NOT_FOUND
    NotFolder,       // ENOTDIR, a file where a folder must be; ERROR_DIRECTORY
    Exists,          // EEXIST; FILE_EXISTS, ALREADY_EXISTS
    IsFolder,        // a folder where a file must be
    NotRegular,      // a device, a pipe, a socket
    UnsafeLink,      // a link the link rule refuses: ours, never the system's
    NotOwn,          // a record or work file another account made or may change: ours
    Access,          // EACCES, EPERM; ACCESS_DENIED
    ReadOnlyVolume,  // EROFS; WRITE_PROTECT
    NoSpace,         // ENOSPC, EDQUOT; DISK_FULL
    TooManyOpen,     // EMFILE, ENFILE
    Busy,            // a lock another process holds; SHARING_VIOLATION
    TooLong,         // ENAMETOOLONG
    BadName,         // a name the system cannot take as it is
    Charset,         // a name the code page cannot write
    Unsupported,     // no hard links here, another volume (EXDEV)
    NoMemory,
    BadArgument,     // a call the toolkit itself refuses
    Io,              // EIO and the rest
    Injected,        // ZEL_FAULT
};

class [[nodiscard]] Status {
public:
    Status() = default;
    // A failed system call: errno (off Windows) or the Windows error, with
    // the system's text.
    static Status FromErrno(int error);
    static Status FromSystem(unsigned long error);  // errno off Windows, GetLastError() on Windows
    // The failure the system gives for errno's error: on Windows the
    // Windows error of that kind (for a failure a test injects).
    static Status AsIfSystem(int error);
    // A refusal of the toolkit's own, with its reason.
    static Status Refused(Code code, std::string reason);
    // A failure a layer above the system told in its own words, with the
    // toolkit's error code (the file journal names what it could not
    // record, and for which call): the last error keeps those words.
    static Status Told(uint32_t toolkitCode, std::string text);
    bool told() const { return told_ != 0; }

    bool ok() const { return code_ == Code::Ok; }
    Code code() const { return code_; }
    // "Does not exist": the name, or a folder on its way, is not there.
    bool IsNotFound() const { return code_ == Code::NotFound || code_ == Code::NotFolder; }
    // errno or the Windows error; 0 for the toolkit's own refusals.
    int systemError() const { return system_; }
    // The system's text ("No space left on device") or the toolkit's.
    const std::string& reason() const { return reason_; }
    // The path the failing operation worked on, when one names it better
    // than the caller's (a folder flushed, a work file).
    const std::string& path() const { return path_; }
    Status& At(std::string path) {
        if (path_.empty()) path_ = std::move(path);
        return *this;
    }
    // The toolkit's error code (Z_ERROR_*).
    uint32_t ToolkitCode() const;

    Status(Code code, int system, std::string reason) : code_(code), system_(system), reason_(std::move(reason)) {}

private:
    Code code_ = Code::Ok;
    int system_ = 0;
    uint32_t told_ = 0;  // the toolkit's code of a failure told, else 0
    std::string reason_;
    std::string path_;
};

// An answer with a value when it is ok.
template <class T>
class [[nodiscard]] Result {
public:
    Result(Status status) : status_(std::move(status)) {}
    Result(T value) : value_(std::move(value)) {}

    bool ok() const { return status_.ok(); }
    const Status& status() const { return status_; }
    Status TakeStatus() { return std::move(status_); }
    T TakeValue() { return std::move(*value_); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    Status status_;
    std::optional<T> value_;
};

// Sets the last error from a failed operation: "<operation>: cannot
// <action> <path>: <reason>", with its code, and keeps its system error
// for Z_GetLastSystemError.
// Returns 0, so that callers can write `return FailStatus(...)`.
int FailStatus(const char* operation, const char* action, const std::string& path, const Status& status);

}  // namespace zel::toolkit
