// Windows side of the toolkit's platform calls. Paths are narrow texts in
// the system code page, as the A calls take them. Every call on a path
// finds its place first (place_win32.cpp), which holds the folders on the
// way, and then works by the text of the path as followed, through the W
// calls; what it opens there it opens as itself
// (FILE_FLAG_OPEN_REPARSE_POINT) and checks before it relies on it.
#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "code_page_win32.h"
#include "handle_win32.h"
#include "made_files.h"
#include "owner_win32.h"
#include "path_lexical.h"
#include "path_text.h"
#include "place_win32.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

// Streams share deletion too, as files do off Windows: the toolkit renames
// a file whose stream it still holds (the journal takes its name so).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Fails(Problem& problem, DWORD error) {
    problem = SystemProblem(error);
    return false;
}

bool FailsNow(Problem& problem) { return Fails(problem, GetLastError()); }

bool Missing(Problem& problem) { return Fails(problem, ERROR_FILE_NOT_FOUND); }

bool IsTakenError(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

uint64_t Wide64(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

FileFacts FactsOf(HANDLE handle, const BY_HANDLE_FILE_INFORMATION& info, bool link) {
    FileFacts facts;
    if (link || IsReparsePoint(info.dwFileAttributes)) {
        facts.kind = FileKind::Link;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts.kind = FileKind::Directory;
    } else if (GetFileType(handle) == FILE_TYPE_DISK) {
        facts.kind = FileKind::Regular;
    } else {
        facts.kind = FileKind::Other;
    }
    facts.size = Wide64(info.nFileSizeHigh, info.nFileSizeLow);
    facts.links = info.nNumberOfLinks;
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = Wide64(info.nFileIndexHigh, info.nFileIndexLow);
    return facts;
}

// Whether the file open at place is a regular file, the one the place
// found: a reparse point put under the name since (seen by the handle, or
// under Wine only by the name) is refused, as are folders and devices.
bool CheckRegular(HANDLE file, const Place& place, Problem& problem) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return FailsNow(problem);
    if (IsReparsePoint(info.dwFileAttributes) || IsReparsePoint(GetFileAttributesW(place.wide.c_str()))) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "it is a link"};
        return false;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"};
        return false;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is not a regular file"};
        return false;
    }
    return true;
}

// Opens the regular file at place, never through a link (the place was
// followed already).
OwnedHandle OpenRegular(const Place& place, DWORD access, DWORD share, Problem& problem) {
    if (place.folderMissing || !place.Exists()) {
        Missing(problem);
        return OwnedHandle();
    }
    if (place.IsLink()) {
        problem = Problem{Z_ERROR_UNSAFE_LINK, "it is a link"};
        return OwnedHandle();
    }
    if (place.IsFolder()) {
        problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"};
        return OwnedHandle();
    }
    OwnedHandle file(CreateFileW(place.wide.c_str(), access, share, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) {
        FailsNow(problem);
        return OwnedHandle();
    }
    if (!CheckRegular(file.Get(), place, problem)) return OwnedHandle();
    return file;
}

bool FlushPlace(const Place& place, Problem& problem) {
    OwnedHandle file = OpenRegular(place, GENERIC_WRITE, kShareAll, problem);
    return file.Valid() && (FlushFileBuffers(file.Get()) != 0 || FailsNow(problem));
}

// Removes the name at place as a name: a file, a link to a file, or a link
// to a folder (a junction, which goes by RemoveDirectoryW), never what a
// link names.
bool RemoveName(const Place& place, Problem& problem) {
    const bool folderLink = place.IsLink() && (place.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folderLink ? RemoveDirectoryW(place.wide.c_str()) : DeleteFileW(place.wide.c_str())) return true;
    return FailsNow(problem);
}

// A private file gets the access list of the program's own files, never
// the one its folder would hand down.
OwnedHandle CreateNewFile(const Place& place, bool privateFile) {
    SECURITY_ATTRIBUTES* security = privateFile ? PrivateFileSecurity() : nullptr;
    if (privateFile && security == nullptr) return OwnedHandle();
    return OwnedHandle(CreateFileW(place.wide.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, kShareAll,
                                   security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
}

// The new file is one this process made: only it may later move over a
// target (PlatformReplaceFile).
bool NoteMade(HANDLE file, Problem& problem) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return FailsNow(problem);
    NoteMadeFile(FactsOf(file, info, false));
    return true;
}

// Whatever holds the name (a file left by a stopped run, a link someone
// planted) goes as a name; the new file is made where no link can lead.
OwnedHandle CreateAnew(const Place& place, bool privateFile, Problem& problem) {
    if (place.folderMissing) {
        Missing(problem);
        return OwnedHandle();
    }
    if (place.IsFolder()) {
        problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is a directory"};
        return OwnedHandle();
    }
    if (place.Exists() && !RemoveName(place, problem) && problem.code != Z_ERROR_NOT_FOUND) return OwnedHandle();
    OwnedHandle file = CreateNewFile(place, privateFile);
    if (!file.Valid() && IsTakenError(GetLastError())) {
        // Taken after all: a name made since the look, or a link of the
        // host that leads nowhere, which Wine lists as no name at all.
        if (!RemoveName(place, problem) && problem.code != Z_ERROR_NOT_FOUND) return OwnedHandle();
        file = CreateNewFile(place, privateFile);
    }
    if (!file.Valid()) {
        FailsNow(problem);
        return OwnedHandle();
    }
    // A device name (NUL, COM1 ...) opens the device, in any folder.
    if (!CheckRegular(file.Get(), place, problem) || !NoteMade(file.Get(), problem)) return OwnedHandle();
    return file;
}

// A name that is taken (by a file, a folder or a link) stays as it is.
OwnedHandle CreateUnderFreeName(const Place& place, Problem& problem) {
    if (place.folderMissing) {
        Missing(problem);
        return OwnedHandle();
    }
    OwnedHandle file = CreateNewFile(place, true);
    if (!file.Valid()) {
        FailsNow(problem);
        return OwnedHandle();
    }
    if (!CheckRegular(file.Get(), place, problem) || !NoteMade(file.Get(), problem)) return OwnedHandle();
    return file;
}

std::FILE* StreamOf(OwnedHandle file, int flags, const char* mode, Problem& problem) {
    if (!file.Valid()) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.Get()), flags);
    if (descriptor < 0) {
        problem = Problem{Z_ERROR_IO, std::strerror(errno)};
        return nullptr;
    }
    file.Release();
    std::FILE* stream = _fdopen(descriptor, mode);
    if (stream == nullptr) {
        problem = Problem{Z_ERROR_IO, std::strerror(errno)};
        _close(descriptor);
    }
    return stream;
}

// Sets or clears the read-only attribute on the open file, the one
// permission Windows keeps beside the access lists.
bool SetReadOnly(HANDLE file, bool readOnly, Problem& problem) {
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) return FailsNow(problem);
    const DWORD wanted = readOnly ? (basic.FileAttributes | FILE_ATTRIBUTE_READONLY)
                                  : (basic.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (wanted == basic.FileAttributes) return true;
    basic.FileAttributes = wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted;
    // Times of 0 are left as they are.
    basic.CreationTime.QuadPart = 0;
    basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = 0;
    basic.ChangeTime.QuadPart = 0;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) || FailsNow(problem);
}

// The identity of what a name holds now, never through a link; false when
// it cannot be read.
bool IdentityAt(const std::wstring& path, FileFacts& facts) {
    OwnedHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info)) return false;
    facts = FactsOf(file.Get(), info, false);
    return true;
}

bool SameIdentity(const FileFacts& a, const FileFacts& b) { return a.volume == b.volume && a.index == b.index; }

// Copies the open source into target's folder when the two lie on
// different volumes (a link into another one), so that the final move is
// one step.
bool MoveAcross(HANDLE in, bool readOnly, const Place& source, const Place& target, Problem& problem) {
    Place staged;
    staged.wide = target.wide + L".zel-move";
    DeleteFileW(staged.wide.c_str());
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(in, start, nullptr, FILE_BEGIN)) return FailsNow(problem);
    OwnedHandle out = CreateNewFile(staged, false);
    if (!out.Valid()) return FailsNow(problem);
    std::vector<char> block(1 << 16);
    bool moved = true;
    for (DWORD count = 0; moved;) {
        moved = ReadFile(in, block.data(), static_cast<DWORD>(block.size()), &count, nullptr) != 0 ||
                FailsNow(problem);
        if (!moved || count == 0) break;
        DWORD written = 0;
        moved = (WriteFile(out.Get(), block.data(), count, &written, nullptr) != 0 && written == count) ||
                FailsNow(problem);
    }
    moved = moved && SetReadOnly(out.Get(), readOnly, problem) &&
            (FlushFileBuffers(out.Get()) != 0 || FailsNow(problem));
    out.Close();
    moved = moved && (MoveFileExW(staged.wide.c_str(), target.wide.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                      FailsNow(problem));
    if (!moved) {
        DeleteFileW(staged.wide.c_str());
        return false;
    }
    DeleteFileW(source.wide.c_str());
    return true;
}

}  // namespace

std::filesystem::path PathFromText(const std::string& text) { return std::filesystem::path(WideFromCodePage(text, 0)); }

bool TextFromPath(const std::filesystem::path& path, std::string& text) {
    return CodePageFromWide(path.native(), text, true);
}

std::string DisplayText(const std::filesystem::path& path) {
    std::string text;
    TextFromPath(path, text);
    return text;
}

bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

unsigned SystemCodePage() { return GetACP(); }

std::string PathTextProblem(const std::string& text) {
    char message[160];
    // "\\?\" before a path is Windows' own prefix for long paths, no wildcard.
    const size_t start = text.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    if (text.find_first_of("?*", start) != std::string::npos) {
        std::snprintf(message, sizeof message,
                      "holds '?' or '*', which no Windows path can hold (the system code page %u writes '?' for a "
                      "character it lacks)",
                      GetACP());
        return message;
    }
    if (!text.empty() && WideFromCodePage(text, MB_ERR_INVALID_CHARS).empty()) {
        std::snprintf(message, sizeof message, "is no text of the system code page %u", GetACP());
        return message;
    }
    // The C runtime made the program's arguments from the wide command line
    // with look-alikes for what the code page lacks: a text taken from such
    // an argument names another path than the one given.
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return "";
    bool altered = false;
    for (int i = 1; i < count && !altered; ++i) {
        std::string exact;
        std::string fitted;
        if (CodePageFromWide(words[i], exact, true)) continue;
        CodePageFromWide(words[i], fitted, false);
        altered = !text.empty() && fitted.find(text) != std::string::npos;
    }
    LocalFree(words);
    if (!altered) return "";
    std::snprintf(message, sizeof message,
                  "was given with characters that the system code page %u cannot write, so it names another path",
                  GetACP());
    return message;
}

bool PlatformProgramPath(std::filesystem::path& path) {
    // Asked in wide characters: the A call would give look-alikes for what
    // the code page lacks, a path that does not exist.
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return false;
    buffer.resize(length);
    path = std::filesystem::path(buffer);
    return true;
}

PlatformConsoleInput::PlatformConsoleInput() {
    DWORD mode = 0;
    // Only a console has an input code page; a pipe or a file gives its
    // bytes as they are.
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return;
    const UINT console = GetConsoleCP();
    if (console == 0 || console == GetACP()) return;
    if (SetConsoleCP(GetACP())) savedCodePage_ = console;
}

PlatformConsoleInput::~PlatformConsoleInput() {
    if (savedCodePage_ != 0) SetConsoleCP(savedCodePage_);
}

bool PlatformOpenRoot(const char* directory, intptr_t* handle, FileFacts& facts, Problem& problem) {
    // Held as a folder on the way is (place_win32.cpp), for as long as it
    // is a root.
    OwnedHandle root(CreateFileW(WideFromCodePage(directory, 0).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                 nullptr));
    if (!root.Valid()) return FailsNow(problem);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(root.Get(), &info)) return FailsNow(problem);
    facts = FactsOf(root.Get(), info, false);
    if (facts.kind != FileKind::Directory) {
        problem = Problem{Z_ERROR_NOT_FOUND, std::strerror(ENOTDIR)};
        return false;
    }
    *handle = reinterpret_cast<intptr_t>(root.Release());
    return true;
}

void PlatformCloseRoot(intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

bool PlatformFacts(const char* path, LastName last, FileFacts& facts, Problem& problem) {
    Place place;
    if (!FindPlace(path, last, place, problem)) return false;
    facts = FileFacts{};
    if (place.folderMissing || !place.Exists()) return true;
    // Attribute access alone takes no part in sharing: the facts of a file
    // that another process holds locked can be read too.
    OwnedHandle file(CreateFileW(place.wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return IsMissingError(error) || Fails(problem, error);
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return FailsNow(problem);
    facts = FactsOf(file.Get(), info, place.IsLink());
    return true;
}

std::string PlatformResolvedPath(const char* path) {
    Place place;
    Problem problem;
    if (FindPlace(path, LastName::Follow, place, problem)) return place.text;
    LexicalPath lexical;
    if (path != nullptr && MakeLexical(path, lexical)) return lexical.Text();
    return path != nullptr ? path : "";
}

bool PlatformListDirectory(const char* path, std::vector<DirectoryEntry>& entries, Problem& problem) {
    entries.clear();
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    if (place.folderMissing || !place.Exists()) return Missing(problem);
    if (!HoldLastFolder(place, problem)) return false;
    std::string pattern = place.text;
    if (!EndsWithPathSeparator(pattern)) pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(WideFromCodePage(pattern, 0).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        // The start of a drive lists no "." and may list nothing at all.
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || Fails(problem, error);
    }
    do {
        const std::wstring wide = found.cFileName;
        if (wide == L"." || wide == L"..") continue;
        DirectoryEntry entry;
        entry.exact = CodePageFromWide(wide, entry.name, true);
        if (IsReparsePoint(found.dwFileAttributes)) {
            entry.kind = FileKind::Link;
        } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entry.kind = FileKind::Directory;
        } else {
            entry.kind = FileKind::Regular;
        }
        entries.push_back(entry);
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    return error == ERROR_NO_MORE_FILES || Fails(problem, error);
}

std::FILE* PlatformOpenStream(const char* path, StreamMode mode, LastName last, Problem& problem) {
    Place place;
    const bool creates =
        mode == StreamMode::CreateNew || mode == StreamMode::CreatePrivate || mode == StreamMode::CreateOnly;
    if (!FindPlace(path, creates ? LastName::Itself : last, place, problem)) return nullptr;
    switch (mode) {
        case StreamMode::Read:
            return StreamOf(OpenRegular(place, GENERIC_READ, kShareAll, problem), _O_RDONLY, "rb", problem);
        case StreamMode::Update:
            return StreamOf(OpenRegular(place, GENERIC_READ | GENERIC_WRITE, kShareAll, problem), 0, "r+b", problem);
        // A new file takes the access list its folder hands down; a private
        // one (a record, the log) the program's own list.
        case StreamMode::CreateNew: return StreamOf(CreateAnew(place, false, problem), 0, "w+b", problem);
        case StreamMode::CreatePrivate: return StreamOf(CreateAnew(place, true, problem), 0, "w+b", problem);
        case StreamMode::CreateOnly: return StreamOf(CreateUnderFreeName(place, problem), 0, "w+b", problem);
    }
    return nullptr;
}

bool PlatformReplaceFile(const char* source, const char* target, ReplaceSource from,
                         const FileAttributes* attributes, Problem& problem) {
    Place work;
    Place to;
    if (!FindPlace(source, LastName::Itself, work, problem) || !FindPlace(target, LastName::Follow, to, problem)) {
        return false;
    }
    if (to.folderMissing) return Missing(problem);
    // From here on the file is the one open here, whatever its name holds;
    // the handle shares deletion, so the file can still move under it.
    OwnedHandle file = OpenRegular(work, GENERIC_READ | GENERIC_WRITE, kShareAll, problem);
    if (!file.Valid()) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return FailsNow(problem);
    const FileFacts opened = FactsOf(file.Get(), info, false);
    if (from == ReplaceSource::MadeHere) {
        Ownership ownership;
        if (!WasMadeHere(opened) || !HandleOwnership(file.Get(), ownership, problem) || !ownership.trusted) {
            problem = Problem{Z_ERROR_NOT_OWN, "it is no longer the file this program wrote there"};
            return false;
        }
    }
    const bool readOnly = attributes != nullptr ? (attributes->mode & 0200) == 0
                                                : (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (attributes != nullptr && !SetReadOnly(file.Get(), readOnly, problem)) return false;
    if (!FlushFileBuffers(file.Get())) return FailsNow(problem);
    // The write-through move reaches the disk, directory entry included,
    // before it returns.
    if (!MoveFileExW(work.wide.c_str(), to.wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_SAME_DEVICE) return Fails(problem, error);
        if (!MoveAcross(file.Get(), readOnly, work, to, problem)) return false;
        ForgetMadeFile(opened);
        return true;
    }
    // Whatever moved is at the target now: it must be the file opened here.
    FileFacts named;
    if (!IdentityAt(to.wide, named) || !SameIdentity(named, opened)) {
        problem = Problem{Z_ERROR_NOT_OWN, "another file took the work file's name before it was moved"};
        return false;
    }
    ForgetMadeFile(opened);
    return true;
}

bool PlatformRenameFile(const char* oldPath, const char* newPath, Problem& problem) {
    Place from;
    Place to;
    if (!FindPlace(oldPath, LastName::Itself, from, problem) || !FindPlace(newPath, LastName::Itself, to, problem)) {
        return false;
    }
    if (from.folderMissing || !from.Exists() || to.folderMissing) return Missing(problem);
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    if (!from.IsLink() && !from.IsFolder() && !FlushPlace(from, problem)) return false;
    // Without MOVEFILE_REPLACE_EXISTING an existing new name is refused: one
    // step that never replaces a file.
    if (MoveFileExW(from.wide.c_str(), to.wide.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    return FailsNow(problem);
}

bool PlatformDeleteFile(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    if (place.folderMissing || !place.Exists()) return Missing(problem);
    return RemoveName(place, problem);
}

bool PlatformMakeDirectories(const char* path, FolderAccess access, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    if (place.folderMissing) {
        // A folder above is missing: it is made first, then this one.
        LexicalPath lexical;
        if (!MakeLexical(path, lexical) || lexical.names.empty()) return Missing(problem);
        const std::string parent = lexical.Prefix(lexical.names.size() - 1);
        if (!PlatformMakeDirectories(parent.c_str(), FolderAccess::Shared, problem)) return false;
        if (!FindPlace(path, LastName::Follow, place, problem)) return false;
        if (place.folderMissing) return Missing(problem);
    }
    const bool own = access == FolderAccess::Private;
    if (place.Exists()) {
        if (!place.IsFolder()) {
            problem = Problem{Z_ERROR_EXISTS, "a file of that name exists"};
            return false;
        }
    } else {
        SECURITY_ATTRIBUTES* security = own ? PrivateFolderSecurity() : nullptr;
        if (own && security == nullptr) return FailsNow(problem);
        if (!CreateDirectoryW(place.wide.c_str(), security) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return FailsNow(problem);
        }
    }
    Ownership ownership;
    return !own || (PlatformOwnership(path, LastName::Follow, ownership, problem) && OwnFile(ownership, problem));
}

bool PlatformRemoveDirectory(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    if (place.folderMissing || !place.Exists()) return Missing(problem);
    // A junction is a link here, no folder of its own to remove.
    if (place.IsLink()) {
        problem = Problem{Z_ERROR_NOT_FOUND, std::strerror(ENOTDIR)};
        return false;
    }
    return RemoveDirectoryW(place.wide.c_str()) || FailsNow(problem);
}

bool PlatformOwnership(const char* path, LastName last, Ownership& ownership, Problem& problem) {
    Place place;
    if (!FindPlace(path, last, place, problem)) return false;
    if (place.folderMissing || !place.Exists()) return Missing(problem);
    OwnedHandle file(CreateFileW(place.wide.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return FailsNow(problem);
    return HandleOwnership(file.Get(), ownership, problem);
}

bool PlatformStreamOwnership(std::FILE* stream, Ownership& ownership, Problem& problem) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (file == INVALID_HANDLE_VALUE) return Fails(problem, ERROR_INVALID_HANDLE);
    return HandleOwnership(file, ownership, problem);
}

bool PlatformFlushStream(std::FILE* stream) { return std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0; }

bool PlatformFlushFile(const char* path, Problem& problem) {
    Place place;
    return FindPlace(path, LastName::Follow, place, problem) && FlushPlace(place, problem);
}

// NTFS writes a directory entry to its log with the file's metadata; there
// is no directory handle to flush. The path is still followed, so that a
// call on a missing or refused one fails as it does elsewhere.
bool PlatformFlushDirectory(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Follow, place, problem)) return false;
    return (!place.folderMissing && place.IsFolder()) || Missing(problem);
}

bool PlatformFlushDirectoryOf(const char* path, Problem& problem) {
    Place place;
    if (!FindPlace(path, LastName::Itself, place, problem)) return false;
    return !place.folderMissing || Missing(problem);
}

bool PlatformTruncateStream(std::FILE* stream, int64_t size, Problem& problem) {
    const errno_t error = _chsize_s(_fileno(stream), size);
    if (error == 0) return true;
    problem = Problem{Z_ERROR_IO, std::strerror(error)};
    return false;
}

LockResult PlatformLockFile(const char* path, bool exclusive, intptr_t* handle, Problem& problem) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        Place place;
        if (!FindPlace(path, LastName::Itself, place, problem)) return LockResult::Failed;
        if (place.folderMissing) {
            if (!exclusive) return LockResult::Missing;
            Missing(problem);
            return LockResult::Failed;
        }
        if (place.IsLink()) {
            if (!exclusive) return LockResult::Missing;
            // A link under the lock's name is no lock anyone holds: it goes
            // as a name, and the lock is made where it was.
            if (!RemoveName(place, problem)) return LockResult::Failed;
            continue;
        }
        if (place.IsFolder()) {
            problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is not a regular file"};
            return LockResult::Failed;
        }
        // Exclusive: a file nobody else may open, which the system deletes
        // when the handle goes, also when the process is killed; made only
        // where no name is (CREATE_NEW), so that a link of the host that
        // leads nowhere, which Wine lists as no name, is never followed.
        // Shared: opened for reading beside other readers; an exclusive
        // holder refuses it.
        const DWORD openAs = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
        HANDLE raw = exclusive ? CreateFileW(place.wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                             PrivateFileSecurity(), place.Exists() ? OPEN_EXISTING : CREATE_NEW,
                                             openAs | FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                               : CreateFileW(place.wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             openAs, nullptr);
        if (raw == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION) {
                return LockResult::Busy;
            }
            if (IsMissingError(error)) {
                if (!exclusive) return LockResult::Missing;
                continue;  // gone since the look
            }
            if (exclusive && IsTakenError(error)) {
                // Made since the look (a holder's file refuses to go and
                // is busy next time), or a link of the host leading nowhere.
                DeleteFileW(place.wide.c_str());
                continue;
            }
            Fails(problem, error);
            return LockResult::Failed;
        }
        OwnedHandle file(raw);
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(file.Get(), &info)) {
            FailsNow(problem);
            return LockResult::Failed;
        }
        if (IsReparsePoint(info.dwFileAttributes)) {
            // A link put there since the look: closing the exclusive handle
            // removes that link itself.
            if (!exclusive) return LockResult::Missing;
            continue;
        }
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(file.Get()) != FILE_TYPE_DISK) {
            problem = Problem{Z_ERROR_BAD_ARGUMENT, "it is not a regular file"};
            return LockResult::Failed;
        }
        // A lock file someone else could have made or could change is no
        // lock of the program's: it is never taken for one.
        Ownership ownership;
        if (!HandleOwnership(file.Get(), ownership, problem) || !OwnFile(ownership, problem)) {
            return LockResult::Failed;
        }
        *handle = reinterpret_cast<intptr_t>(file.Release());
        return LockResult::Held;
    }
    problem = Problem{Z_ERROR_LOCKED, "its name keeps changing"};
    return LockResult::Failed;
}

void PlatformUnlockFile(const char*, bool, intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

void PlatformEndAbruptly() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
}

uint64_t PlatformPhysicalMemoryMegabytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return static_cast<uint64_t>(status.ullTotalPhys) / (1024u * 1024u);
}

int PlatformSeek(std::FILE* stream, int64_t offset, int origin) { return _fseeki64(stream, offset, origin); }

int64_t PlatformTell(std::FILE* stream) { return _ftelli64(stream); }

}  // namespace zel::toolkit
