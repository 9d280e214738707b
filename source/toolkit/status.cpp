#include "status.h"

#include <cerrno>
#include <cstring>

#include "zelkit.h"

namespace zel::toolkit {
namespace {

Code CodeOfErrno(int error) {
    switch (error) {
        case 0: return Code::Io;
        case ENOENT: return Code::NotFound;
        case ENOTDIR: return Code::NotFolder;
        case EEXIST: return Code::Exists;
        case EISDIR: return Code::IsFolder;
        case EACCES:
        case EPERM: return Code::Access;
        case EROFS: return Code::ReadOnlyVolume;
        case ENOSPC: return Code::NoSpace;
#ifdef EDQUOT
        case EDQUOT: return Code::NoSpace;
#endif
        case EMFILE:
        case ENFILE: return Code::TooManyOpen;
        case EBUSY: return Code::Busy;
        case ENAMETOOLONG: return Code::TooLong;
        case ENOMEM: return Code::NoMemory;
        case EXDEV: return Code::Unsupported;
        default: return Code::Io;
    }
}

}  // namespace

Status Status::FromErrno(int error) { return Status(CodeOfErrno(error), error, std::strerror(error)); }

#ifndef _WIN32
Status Status::FromSystem(unsigned long error) { return FromErrno(static_cast<int>(error)); }

Status Status::AsIfSystem(int error) { return FromErrno(error); }
#endif

Status Status::Refused(Code code, std::string reason) { return Status(code, 0, std::move(reason)); }

Status Status::Told(uint32_t toolkitCode, std::string text) {
    Status status(toolkitCode == Z_ERROR_INJECTED ? Code::Injected : Code::Io, 0, std::move(text));
    status.told_ = toolkitCode != Z_ERROR_NONE ? toolkitCode : Z_ERROR_IO;
    return status;
}

uint32_t Status::ToolkitCode() const {
    if (told_ != 0) return told_;
    switch (code_) {
        case Code::Ok: return Z_ERROR_NONE;
        case Code::NotFound:
        case Code::NotFolder: return Z_ERROR_NOT_FOUND;
        case Code::Exists: return Z_ERROR_EXISTS;
        case Code::IsFolder:
        case Code::NotRegular:
        case Code::BadName:
        case Code::BadArgument: return Z_ERROR_BAD_ARGUMENT;
        case Code::UnsafeLink: return Z_ERROR_UNSAFE_LINK;
        case Code::NotOwn: return Z_ERROR_NOT_OWN;
        case Code::TooLong: return Z_ERROR_TOO_LONG;
        case Code::Charset: return Z_ERROR_CHARSET;
        case Code::NoMemory: return Z_ERROR_NO_MEMORY;
        case Code::Busy: return Z_ERROR_LOCKED;
        case Code::NoSpace: return Z_ERROR_NO_SPACE;
        case Code::Injected: return Z_ERROR_INJECTED;
        default: return Z_ERROR_IO;
    }
}

}  // namespace zel::toolkit
