#include "owner_win32.h"

#include <aclapi.h>
#include <sddl.h>

#include <utility>
#include <vector>

#include "handle_win32.h"

namespace zel::toolkit {
namespace {

// What lets an account change a file or a folder's entries.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                     WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The running user's token entry, or the system's reason it cannot be
// read; read once.
struct RunningUserEntry {
    std::vector<BYTE> entry;
    DWORD error = ERROR_SUCCESS;
};

RunningUserEntry ReadRunningUser() {
    RunningUserEntry user;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        user.error = GetLastError();
        return user;
    }
    OwnedHandle token(raw);
    DWORD size = 0;
    // Fails by design, with the size the entry needs.
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) {
        user.error = GetLastError();
        return user;
    }
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
        user.error = GetLastError();
        return user;
    }
    user.entry = std::move(buffer);
    return user;
}

const RunningUserEntry& RunningUser() {
    static const RunningUserEntry user = ReadRunningUser();
    return user;
}

PSID RunningUserSid() {
    const RunningUserEntry& user = RunningUser();
    return user.entry.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.entry.data())->User.Sid;
}

// The first access entry that lets an account the toolkit does not trust
// write (null when there is none). An entry that cannot be read fails the
// answer: it may be the one that lets another in.
Status FindAnotherWriter(const ACL* dacl, PSID& writer) {
    writer = nullptr;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), index, &entry)) return Status::FromSystem(GetLastError());
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kWriteRights) == 0) continue;
        PSID sid = &allowed->SidStart;
        if (!IsTrustedOwner(sid)) {
            writer = sid;
            return Status();
        }
    }
    return Status();
}

// Security attributes made once, or the system's reason they could not be.
struct PrivateAttributes {
    SECURITY_ATTRIBUTES* attributes = nullptr;  // kept for the life of the process
    DWORD error = ERROR_SUCCESS;
};

// SYSTEM, the Administrators and the running user, nobody else, and
// nothing inherited from the folder.
PrivateAttributes MakePrivate(const wchar_t* inherit) {
    PrivateAttributes made;
    if (RunningUserSid() == nullptr) {
        made.error = RunningUser().error;
        return made;
    }
    LPWSTR user = nullptr;
    if (!ConvertSidToStringSidW(RunningUserSid(), &user)) {
        made.error = GetLastError();
        return made;
    }
    const std::wstring text = std::wstring(L"D:P(A;") + inherit + L";FA;;;SY)(A;" + inherit + L";FA;;;BA)(A;" +
                              inherit + L";FA;;;" + user + L")";
    LocalFree(user);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        made.error = GetLastError();
        return made;
    }
    made.attributes = new SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    return made;
}

// The reason is kept with them: the last error is long gone by a later
// call that asks for them.
Result<SECURITY_ATTRIBUTES*> Kept(const PrivateAttributes& made) {
    if (made.attributes != nullptr) return made.attributes;
    return Status::FromSystem(made.error != ERROR_SUCCESS ? made.error : ERROR_INVALID_DATA);
}

}  // namespace

Status RunningUserStatus() {
    const RunningUserEntry& user = RunningUser();
    if (!user.entry.empty()) return Status();
    return Status::FromSystem(user.error != ERROR_SUCCESS ? user.error : ERROR_INVALID_DATA);
}

bool IsTrustedOwner(PSID sid) {
    if (sid == nullptr) return false;
    const PSID user = RunningUserSid();
    return (user != nullptr && EqualSid(user, sid)) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(sid, WinLocalSystemSid);
}

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) return "an unknown owner";
    std::string result = text;
    LocalFree(text);
    return result;
}

Result<Ownership> HandleOwnership(HANDLE file) {
    if (Status user = RunningUserStatus(); !user.ok()) return user;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return Status::FromSystem(error);
    PSID writer = nullptr;
    if (dacl != nullptr) {
        if (Status read = FindAnotherWriter(dacl, writer); !read.ok()) {
            LocalFree(descriptor);
            return read;
        }
    }
    Ownership ownership;
    ownership.trusted = IsTrustedOwner(owner);
    // No access list at all lets everyone in.
    ownership.othersMayWrite = dacl == nullptr || writer != nullptr;
    if (!ownership.trusted) {
        ownership.refusal = "it belongs to " + SidText(owner) +
                            ", neither the user running this, the Administrators nor the system";
    } else if (ownership.othersMayWrite) {
        ownership.refusal = dacl == nullptr ? std::string("it has no access list, so everyone may write it")
                                            : "an access entry lets " + SidText(writer) + " write it";
    }
    LocalFree(descriptor);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return Status::FromSystem(GetLastError());
    ownership.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444u : 0666u;
    return ownership;
}

Result<SECURITY_ATTRIBUTES*> PrivateFileSecurity() {
    static const PrivateAttributes made = MakePrivate(L"");
    return Kept(made);
}

Result<SECURITY_ATTRIBUTES*> PrivateFolderSecurity() {
    static const PrivateAttributes made = MakePrivate(L"OICI");
    return Kept(made);
}

}  // namespace zel::toolkit
