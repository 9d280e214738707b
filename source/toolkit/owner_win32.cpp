#include "owner_win32.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "handle_win32.h"

namespace zel::toolkit {
namespace {

// What lets an account change a file or a folder's entries.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                     WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::vector<BYTE> RunningUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    OwnedHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

PSID RunningUserSid() {
    static const std::vector<BYTE> user = RunningUser();
    return user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
}

// The first access entry that lets an account the toolkit does not trust
// write; null when there is none.
PSID AnotherWriter(const ACL* dacl) {
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), index, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kWriteRights) == 0) continue;
        PSID sid = &allowed->SidStart;
        if (!IsTrustedOwner(sid)) return sid;
    }
    return nullptr;
}

// Built once: SYSTEM, the Administrators and the running user, nobody
// else, and nothing inherited from the folder.
SECURITY_ATTRIBUTES* Private(const wchar_t* inherit) {
    LPWSTR user = nullptr;
    if (RunningUserSid() == nullptr || !ConvertSidToStringSidW(RunningUserSid(), &user)) return nullptr;
    const std::wstring text = std::wstring(L"D:P(A;") + inherit + L";FA;;;SY)(A;" + inherit + L";FA;;;BA)(A;" +
                              inherit + L";FA;;;" + user + L")";
    LocalFree(user);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return nullptr;
    }
    // Kept for the life of the process.
    auto* attributes = new SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    return attributes;
}

}  // namespace

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
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return Status::FromSystem(error);
    Ownership ownership;
    ownership.trusted = IsTrustedOwner(owner);
    // No access list at all lets everyone in.
    const PSID writer = dacl != nullptr ? AnotherWriter(dacl) : nullptr;
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

SECURITY_ATTRIBUTES* PrivateFileSecurity() {
    static SECURITY_ATTRIBUTES* const attributes = Private(L"");
    return attributes;
}

SECURITY_ATTRIBUTES* PrivateFolderSecurity() {
    static SECURITY_ATTRIBUTES* const attributes = Private(L"OICI");
    return attributes;
}

}  // namespace zel::toolkit
