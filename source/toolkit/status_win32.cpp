// On Windows: a Windows error as the toolkit's kinds of failure. A missing
// file and a taken name say what the C library says elsewhere ("No such
// file or directory"), so that messages read the same on every system.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "code_page_win32.h"
#include "status.h"

namespace zel::toolkit {
namespace {

Code CodeOfWindowsError(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return Code::Exists;
        case ERROR_ACCESS_DENIED: return Code::Access;
        case ERROR_WRITE_PROTECT: return Code::ReadOnlyVolume;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return Code::NoSpace;
        case ERROR_TOO_MANY_OPEN_FILES: return Code::TooManyOpen;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return Code::Busy;
        case ERROR_FILENAME_EXCED_RANGE: return Code::TooLong;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return Code::NoMemory;
        case ERROR_INVALID_NAME: return Code::BadName;
        case ERROR_NOT_SAME_DEVICE: return Code::Unsupported;
        default: return Code::Io;
    }
}

}  // namespace

bool IsMissingError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_NO_MORE_FILES:  // Wine's answer for a link of the host that leads nowhere
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_DIRECTORY: return true;
        default: return false;
    }
}

Status Status::FromSystem(unsigned long error) {
    const DWORD code = static_cast<DWORD>(error);
    const int system = static_cast<int>(code);
    if (IsMissingError(code)) return Status(Code::NotFound, system, std::strerror(ENOENT));
    const Code kind = CodeOfWindowsError(code);
    if (kind == Code::Exists) return Status(kind, system, std::strerror(EEXIST));
    return Status(kind, system, SystemMessage(code));
}

Status Status::AsIfSystem(int error) {
    switch (error) {
        case EACCES: return FromSystem(ERROR_ACCESS_DENIED);
        case EMFILE: return FromSystem(ERROR_TOO_MANY_OPEN_FILES);
        case ENOSPC: return FromSystem(ERROR_DISK_FULL);
        case EROFS: return FromSystem(ERROR_WRITE_PROTECT);
        case EIO: return FromSystem(ERROR_IO_DEVICE);
        default: return FromErrno(error);
    }
}

}  // namespace zel::toolkit
