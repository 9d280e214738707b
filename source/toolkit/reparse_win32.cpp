#include "reparse_win32.h"

#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "code_page_win32.h"
#include "handle_win32.h"
#include "owner_win32.h"
#include "walk_win32.h"

namespace zel::toolkit {
namespace {

// The start of the data of a symbolic link or a junction
// (REPARSE_DATA_BUFFER, which only the driver kit's headers declare): the
// tag, then offsets into the path buffer, which follows them (after a word
// of flags for a symbolic link).
struct ReparseHead {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
};

// Whether the owner of the open reparse point is one the rule trusts; the
// owner's text for a message either way. An owner that cannot be read is
// no owner found untrusted: the system's reason.
Status OwnerAllowed(HANDLE link, bool& allowed, std::string& owner) {
    if (Status user = RunningUserStatus(); !user.ok()) return user;
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error =
        GetSecurityInfo(link, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return Status::FromSystem(error);
    allowed = IsTrustedOwner(sid);
    owner = sid != nullptr ? SidText(sid) : "no owner";
    LocalFree(descriptor);
    return Status();
}

// "\??\C:\x" and "\\?\C:\x" are "C:\x"; "\??\UNC\server\x" and
// "\\?\UNC\server\x" are "\\server\x".
std::wstring WithoutDevicePrefix(std::wstring text) {
    if (text.rfind(L"\\??\\", 0) == 0 || text.rfind(L"\\\\?\\", 0) == 0) {
        text.erase(0, 4);
        if (text.rfind(L"UNC\\", 0) == 0) text.replace(0, 4, L"\\\\");
    }
    return text;
}

// The name a symbolic link or a junction holds; empty for a reparse point
// of another kind, or one whose data names nothing. known is false when
// the system keeps no data for the point: Wine 8 shows a link of the host
// as a reparse point and answers ERROR_NOT_A_REPARSE_POINT when asked for
// its data. Any other failure to read the data is the system's reason, not
// a point without data, which the system would then be asked to follow.
Status ReparseName(HANDLE link, std::wstring& name, bool& known) {
    name.clear();
    std::vector<BYTE> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD size = 0;
    known = DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                            &size, nullptr) != 0;
    if (!known) {
        const DWORD error = GetLastError();
        return error == ERROR_NOT_A_REPARSE_POINT ? Status() : Status::FromSystem(error);
    }
    if (size < sizeof(ReparseHead)) return Status();
    ReparseHead head;
    std::memcpy(&head, buffer.data(), sizeof head);
    size_t names = sizeof head;
    if (head.tag == IO_REPARSE_TAG_SYMLINK) {
        names += sizeof(ULONG);
    } else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return Status();
    }
    const size_t start = names + head.substituteOffset;
    if (start + head.substituteLength > size || head.substituteLength == 0) return Status();
    name.assign(head.substituteLength / sizeof(wchar_t), L'\0');
    std::memcpy(name.data(), buffer.data() + start, name.size() * sizeof(wchar_t));
    name = WithoutDevicePrefix(name);
    return Status();
}

// Where the system takes the point to, all the way: for a point that keeps
// no data of its own. Empty when it leads to nothing there; any other
// failure is the system's reason.
Status FinalName(const std::wstring& path, std::wstring& name) {
    name.clear();
    OwnedHandle followed(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!followed.Valid()) {
        const DWORD error = GetLastError();
        return IsMissingError(error) ? Status() : Status::FromSystem(error);
    }
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetFinalPathNameByHandleW(followed.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return Status::FromSystem(GetLastError());
    if (length >= buffer.size()) return Status::FromSystem(ERROR_FILENAME_EXCED_RANGE);
    name = WithoutDevicePrefix(std::wstring(buffer.data(), length));
    return Status();
}

}  // namespace

Status ReadAllowedLink(const std::string& path, std::string& target) {
    const std::wstring wide = WideFromCodePage(path, 0);
    OwnedHandle link(CreateFileW(wide.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const DWORD openError = link.Valid() ? ERROR_SUCCESS : GetLastError();
    const std::string noTarget = "the link " + path + " leads to no file or folder and is not followed";
    if (!link.Valid()) {
        // Nothing there to open (under Wine, which opens a link of the host
        // through it: nothing where it leads). Any other failure says
        // nothing of where the link leads.
        if (!IsMissingError(openError)) return Status::FromSystem(openError);
        return Status::Refused(Code::UnsafeLink, noTarget);
    }
    bool allowed = false;
    std::string owner;
    if (Status read = OwnerAllowed(link.Get(), allowed, owner); !read.ok()) return read;
    if (!allowed) {
        return Status::Refused(Code::UnsafeLink,
                               "the link " + path + " belongs to " + owner +
                                   ", neither the user running this, the Administrators nor the system, and is not "
                                   "followed");
    }
    std::wstring name;
    bool known = false;
    if (Status read = ReparseName(link.Get(), name, known); !read.ok()) return read;
    if (!known) {
        if (Status followed = FinalName(wide, name); !followed.ok()) return followed;
    }
    if (name.empty()) return Status::Refused(Code::UnsafeLink, noTarget);
    if (!CodePageFromWide(name, target, true)) {
        return Status::Refused(Code::Charset, "the link " + path + " names a path that the system code page " +
                                                  std::to_string(GetACP()) + " cannot write");
    }
    return Status();
}

}  // namespace zel::toolkit
