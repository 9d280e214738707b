// On Windows: a path followed one name at a time from the root it lies
// beneath (Z_AddFileRoot) or, beneath no root, from the folder that holds
// its last name as the system finds that folder.
//
// Each name is looked up in its folder's listing, which shows a reparse
// point as one even where a handle opened on it leads through it (a link of
// the host under Wine). A reparse point is followed only as the link rule
// allows (reparse_win32.h); each folder passed is held open as itself
// (FILE_FLAG_OPEN_REPARSE_POINT) and checked to be a folder and no reparse
// point, so that what was checked is what the call by path reaches.
#include "place_win32.h"

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <utility>

#include "code_page_win32.h"
#include "file_roots.h"
#include "path_lexical.h"
#include "path_text.h"
#include "toolkit_internal.h"

namespace zel::toolkit {
namespace {

constexpr int kMostLinks = 32;

enum class Found { Yes, Missing, Failed };

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

// name as the listing of its folder shows it.
Found LookUp(const std::string& folderText, const std::string& name, WIN32_FIND_DATAW& entry, Problem& problem) {
    if (!TakenLiterally(WideFromCodePage(name, MB_ERR_INVALID_CHARS))) {
        problem = Problem{Z_ERROR_BAD_ARGUMENT, "\"" + name + "\" is no plain file name"};
        return Found::Failed;
    }
    const std::wstring path = WideFromCodePage(JoinName(folderText, name), 0);
    HANDLE search = FindFirstFileExW(path.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (IsMissingError(error)) return Found::Missing;
        problem = SystemProblem(error);
        return Found::Failed;
    }
    FindClose(search);
    return Found::Yes;
}

// Opens the folder at text and holds it: through links when the system
// takes the way there, otherwise as the name itself, which must be a folder
// and no reparse point. Missing when there is none (or a file).
Found Hold(const std::string& text, bool throughLinks, Place& place, Problem& problem) {
    const std::wstring wide = WideFromCodePage(text, 0);
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (throughLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    // Listing access takes part in the sharing checks (attribute access
    // alone does not), so that the missing FILE_SHARE_DELETE keeps the
    // folder's name in place.
    HANDLE folder = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (IsMissingError(error)) return Found::Missing;
        problem = SystemProblem(error);
        return Found::Failed;
    }
    place.folders.push_back(folder);
    BY_HANDLE_FILE_INFORMATION facts;
    if (!GetFileInformationByHandle(folder, &facts)) {
        problem = SystemProblem(GetLastError());
        return Found::Failed;
    }
    if ((facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Found::Missing;
    if (!throughLinks && (IsReparsePoint(facts.dwFileAttributes) || IsReparsePoint(GetFileAttributesW(wide.c_str())))) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, text + " changed while it was followed"};
        return Found::Failed;
    }
    return Found::Yes;
}

// The place of a name that is missing, from the name at on.
bool MissingFrom(const LexicalPath& lexical, size_t at, const std::string& folderText, Place& place) {
    place.folderMissing = at + 1 < lexical.names.size();
    place.name = lexical.names.back();
    place.text = folderText;
    for (size_t rest = at; rest < lexical.names.size(); ++rest) place.text = JoinName(place.text, lexical.names[rest]);
    return true;
}

// Where a link's text leads, made absolute against the link's folder.
std::string LinkTargetText(const std::string& target, const std::string& folderText, const LexicalPath& lexical) {
    const bool absolute = (target.size() >= 3 && target[1] == ':' && IsSeparator(target[2])) ||
                          (target.size() >= 2 && IsSeparator(target[0]) && IsSeparator(target[1]));
    if (absolute) return target;
    // "\x" lies on the link's own drive or share.
    if (!target.empty() && IsSeparator(target[0])) return lexical.start.substr(0, lexical.start.size() - 1) + target;
    return JoinName(folderText, target);
}

bool Walk(const LexicalPath& lexical, LastName last, Place& place, Problem& problem, int hops);

// A link the rule allows: the walk goes on from what it names, with the
// names that followed it.
bool FollowLink(const std::string& folderText, const std::string& here, const LexicalPath& lexical, size_t at,
                LastName last, Place& place, Problem& problem, int hops) {
    std::string target;
    if (!ReadAllowedLink(here, target, problem)) return false;
    std::string text = LinkTargetText(target, folderText, lexical);
    for (size_t rest = at + 1; rest < lexical.names.size(); ++rest) text = JoinName(text, lexical.names[rest]);
    LexicalPath next;
    if (!MakeLexical(text, next)) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "the link " + here + " names " + target + ", which cannot be followed"};
        return false;
    }
    if (!Walk(next, last, place, problem, hops + 1)) return false;
    if (at + 1 < lexical.names.size()) return true;
    // The link is the last name: what it names must be a file or a folder.
    if (!place.Exists() || place.IsLink()) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "the link " + here + " leads to no file or folder and is not followed"};
        return false;
    }
    return true;
}

bool Walk(const LexicalPath& lexical, LastName last, Place& place, Problem& problem, int hops) {
    if (hops > kMostLinks) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "it leads through more than 32 links"};
        return false;
    }
    place = Place{};
    const size_t count = lexical.names.size();
    if (count == 0) {
        // The start of a drive or a share, "C:\": its own place.
        place.text = lexical.start;
        place.attributes = GetFileAttributesW(WideFromCodePage(place.text, 0).c_str());
        return true;
    }
    size_t first = 0;
    std::string folderText;
    if (const FileRoot* root = RootBeneath(lexical)) {
        // The root itself stays held while it is a root.
        first = root->path.names.size();
        folderText = root->path.Text();
    } else {
        // Beneath no root, the folders on the way are the system's business.
        first = count - 1;
        folderText = lexical.Prefix(first);
        switch (Hold(folderText, true, place, problem)) {
            case Found::Failed: return false;
            case Found::Missing:
                CloseFolders(place.folders);
                place.folderMissing = true;
                place.name = lexical.names.back();
                place.text = lexical.Text();
                return true;
            case Found::Yes: break;
        }
    }
    for (size_t at = first; at < count; ++at) {
        const bool isLast = at + 1 == count;
        WIN32_FIND_DATAW entry;
        switch (LookUp(folderText, lexical.names[at], entry, problem)) {
            case Found::Failed: return false;
            case Found::Missing: return MissingFrom(lexical, at, folderText, place);
            case Found::Yes: break;
        }
        // The disk's own spelling: one text for a file whatever the case or
        // the short name it was asked by.
        std::string name;
        if (!CodePageFromWide(entry.cFileName, name, true)) name = lexical.names[at];
        const std::string here = JoinName(folderText, name);
        if (IsReparsePoint(entry.dwFileAttributes) && (!isLast || last == LastName::Follow)) {
            return FollowLink(folderText, here, lexical, at, last, place, problem, hops);
        }
        if (isLast) {
            place.name = name;
            place.text = here;
            place.attributes = entry.dwFileAttributes;
            return true;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            problem = Problem{Z_ERROR_NOT_FOUND, here + " is not a folder"};
            return false;
        }
        switch (Hold(here, false, place, problem)) {
            case Found::Failed: return false;
            case Found::Missing:
                problem = Problem{Z_ERROR_UNSAFE_LINK, here + " changed while it was followed"};
                return false;
            case Found::Yes: break;
        }
        folderText = here;
    }
    return true;  // not reached: the last name returns in the loop
}

}  // namespace

Place::~Place() { CloseFolders(folders); }

Place::Place(Place&& other) noexcept
    : folders(std::move(other.folders)),
      folderMissing(other.folderMissing),
      name(std::move(other.name)),
      text(std::move(other.text)),
      wide(std::move(other.wide)),
      attributes(other.attributes) {
    other.folders.clear();
}

Place& Place::operator=(Place&& other) noexcept {
    if (this != &other) {
        CloseFolders(folders);
        folders = std::move(other.folders);
        other.folders.clear();
        folderMissing = other.folderMissing;
        name = std::move(other.name);
        text = std::move(other.text);
        wide = std::move(other.wide);
        attributes = other.attributes;
    }
    return *this;
}

Problem SystemProblem(DWORD error) {
    if (IsMissingError(error)) return Problem{Z_ERROR_NOT_FOUND, std::strerror(ENOENT)};
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return Problem{Z_ERROR_EXISTS, std::strerror(EEXIST)};
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return Problem{Z_ERROR_NO_MEMORY, SystemMessage(error)};
        case ERROR_FILENAME_EXCED_RANGE: return Problem{Z_ERROR_TOO_LONG, SystemMessage(error)};
        default: return Problem{Z_ERROR_IO, SystemMessage(error)};
    }
}

bool HoldLastFolder(Place& place, Problem& problem) {
    switch (Hold(place.text, false, place, problem)) {
        case Found::Failed: return false;
        case Found::Missing: problem = Problem{Z_ERROR_NOT_FOUND, std::strerror(ENOTDIR)}; return false;
        case Found::Yes: break;
    }
    return true;
}

bool FindPlace(const char* path, LastName last, Place& place, Problem& problem) {
    LexicalPath lexical;
    if (path == nullptr || !MakeLexical(path, lexical)) {
        problem = Problem{Z_ERROR_IO, "the current directory cannot be read"};
        return false;
    }
    if (!Walk(lexical, last, place, problem, 0)) return false;
    place.wide = WideFromCodePage(place.text, 0);
    return true;
}

}  // namespace zel::toolkit
