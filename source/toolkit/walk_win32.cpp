// On Windows: the walk's calls. Each name is looked up in its folder's
// listing, which shows a reparse point as one even where a handle opened on
// it leads through it (a link of the host under Wine). A reparse point is
// followed only as the link rule allows (reparse_win32.h); each folder
// passed is held open as itself (FILE_FLAG_OPEN_REPARSE_POINT) and checked
// to be a folder and no reparse point, so that what was checked is what the
// call by path reaches.
#include "walk_win32.h"

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <utility>

#include "code_page_win32.h"
#include "reparse_win32.h"

namespace zel::toolkit {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A name the W calls take as it is: FindFirstFileExW reads '?', '*', '<',
// '>' and '"' as wildcards, and ':' opens a stream of a file.
bool TakenLiterally(const std::wstring& name) {
    for (wchar_t c : name) {
        if (c < 32 || std::wcschr(L"<>:\"|?*", c) != nullptr) return false;
    }
    return !name.empty();
}

void CloseFolders(std::vector<HANDLE>& folders) {
    while (!folders.empty()) {
        CloseHandle(folders.back());
        folders.pop_back();
    }
}

Kind KindOfAttributes(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::Missing;
    if (IsReparsePoint(attributes)) return Kind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Kind::Folder;
    return Kind::Regular;
}

enum class Held { Yes, Missing, NotFolder, Failed };

// Opens the folder at text and holds it: through links when the system
// takes the way there, otherwise as the name itself, which must be a folder
// and no reparse point. Missing when there is none (status: the system's
// answer), NotFolder when it is a file.
Held Hold(const std::string& text, bool throughLinks, WindowsPlace& place, Status& status) {
    const std::wstring wide = WideFromCodePage(text, 0);
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (throughLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    // Listing access takes part in the sharing checks (attribute access
    // alone does not), so that the missing FILE_SHARE_DELETE keeps the
    // folder's name in place.
    HANDLE folder = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        status = Status::FromSystem(error);
        return IsMissingError(error) ? Held::Missing : Held::Failed;
    }
    place.folders.push_back(folder);
    BY_HANDLE_FILE_INFORMATION facts;
    if (!GetFileInformationByHandle(folder, &facts)) {
        status = Status::FromSystem(GetLastError());
        return Held::Failed;
    }
    if ((facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Held::NotFolder;
    if (throughLinks) return Held::Yes;
    // Under Wine the handle leads through a link of the host, and only the
    // name shows it: a name whose attributes cannot be read is not shown
    // to be no link.
    bool link = IsReparsePoint(facts.dwFileAttributes);
    if (!link) {
        const DWORD named = GetFileAttributesW(wide.c_str());
        if (named == INVALID_FILE_ATTRIBUTES) {
            status = Status::FromSystem(GetLastError());
            return Held::Failed;
        }
        link = IsReparsePoint(named);
    }
    if (link) {
        status = Status::Refused(Code::UnsafeLink, text + " changed while it was followed");
        return Held::Failed;
    }
    return Held::Yes;
}

}  // namespace

WindowsPlace::~Place() { CloseFolders(folders); }

WindowsPlace::Place(Place&& other) noexcept
    : WalkedName(std::move(other)),
      folders(std::move(other.folders)),
      wide(std::move(other.wide)),
      attributes(other.attributes) {
    other.folders.clear();
}

WindowsPlace& WindowsPlace::operator=(Place&& other) noexcept {
    if (this != &other) {
        CloseFolders(folders);
        WalkedName::operator=(std::move(other));
        folders = std::move(other.folders);
        other.folders.clear();
        wide = std::move(other.wide);
        attributes = other.attributes;
    }
    return *this;
}

Status WindowsPrimitives::AtStart(const LexicalPath& path, Place& place) {
    // The start of a drive or a share, "C:\": its own place.
    place.text = path.start;
    place.folderText = path.start;
    place.attributes = GetFileAttributesW(WideFromCodePage(place.text, 0).c_str());
    if (place.attributes == INVALID_FILE_ATTRIBUTES) {
        // No such drive or share is an answer; a drive that cannot be read
        // (a device not ready, access refused) is none.
        const DWORD error = GetLastError();
        if (!IsMissingError(error)) return Status::FromSystem(error);
    }
    place.kind = KindOfAttributes(place.attributes);
    return Status();
}

Status WindowsPrimitives::BeginAtRoot(const FileRoot&, Place&) {
    return Status();  // the root itself stays held while it is a root
}

Result<bool> WindowsPrimitives::BeginAt(const std::string& folder, Place& place) {
    Status status;
    switch (Hold(folder, true, place, status)) {
        case Held::Failed: return status;
        case Held::Missing:
        case Held::NotFolder: return false;
        case Held::Yes: break;
    }
    return true;
}

Status WindowsPrimitives::LookUp(Place& place, const std::string& folder, const std::string& name,
                                 std::string& spelled) {
    if (!TakenLiterally(WideFromCodePage(name, MB_ERR_INVALID_CHARS))) {
        return Status::Refused(Code::BadName, "\"" + name + "\" is no plain file name");
    }
    WIN32_FIND_DATAW entry;
    const std::wstring path = WideFromCodePage(JoinName(folder, name), 0);
    HANDLE search = FindFirstFileExW(path.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (!IsMissingError(error)) return Status::FromSystem(error);
        place.attributes = INVALID_FILE_ATTRIBUTES;
        place.kind = Kind::Missing;
        spelled = name;
        return Status();
    }
    FindClose(search);
    place.attributes = entry.dwFileAttributes;
    place.kind = KindOfAttributes(entry.dwFileAttributes);
    // The disk's own spelling: one text for a file whatever the case or the
    // short name it was asked by.
    if (!CodePageFromWide(entry.cFileName, spelled, true)) spelled = name;
    return Status();
}

Status WindowsPrimitives::ReadLink(Place&, const LexicalPath& path, const std::string& folder,
                                   const std::string& link, std::string& target) {
    std::string named;
    if (Status read = ReadAllowedLink(link, named); !read.ok()) return read;
    const bool absolute = (named.size() >= 3 && named[1] == ':' && IsSeparator(named[2])) ||
                          (named.size() >= 2 && IsSeparator(named[0]) && IsSeparator(named[1]));
    if (absolute) {
        target = named;
    } else if (!named.empty() && IsSeparator(named[0])) {
        // "\x" lies on the link's own drive or share.
        target = path.start.substr(0, path.start.size() - 1) + named;
    } else {
        target = JoinName(folder, named);
    }
    return Status();
}

Status WindowsPrimitives::Descend(Place& place, const std::string& folder) {
    Status status;
    switch (Hold(folder, false, place, status)) {
        case Held::Failed: return status;
        case Held::Missing:
        case Held::NotFolder: return Status::Refused(Code::UnsafeLink, folder + " changed while it was followed");
        case Held::Yes: break;
    }
    return Status();
}

void WindowsPrimitives::Release(Place& place) { CloseFolders(place.folders); }

Status WindowsPrimitives::HoldLast(Place& place) {
    Status status;
    switch (Hold(place.text, false, place, status)) {
        case Held::Failed:
        case Held::Missing: return status;  // gone since the walk: not there, not a file
        case Held::NotFolder: return Status::FromErrno(ENOTDIR);
        case Held::Yes: break;
    }
    return Status();
}

}  // namespace zel::toolkit
