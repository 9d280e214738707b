// On Windows: the table of file operations. Paths are narrow texts in the
// system code page, as the A calls take them. Every operation on a path
// walks it first (walk_win32.cpp), which holds the folders on the way, and
// then works by the text of the path as followed, through the W calls;
// what it opens there it opens as itself (FILE_FLAG_OPEN_REPARSE_POINT) and
// checks before it relies on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "code_page_win32.h"
#include "handle_win32.h"
#include "owner_win32.h"
#include "path_text.h"
#include "placed_file_system.h"
#include "reparse_win32.h"
#include "walk_win32.h"

namespace zel::toolkit {
namespace {

// Files share deletion too, as files do off Windows: the toolkit renames a
// file it still holds open (the journal takes its name so).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Status LastFailure() { return Status::FromSystem(GetLastError()); }

bool IsTakenError(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

uint64_t Wide64(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// Whether the open handle is a file on a disk, no device, pipe or console.
// GetFileType answers FILE_TYPE_UNKNOWN also when it fails: only the last
// error tells the two apart.
Status OnDisk(HANDLE handle, bool& disk) {
    SetLastError(NO_ERROR);
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return LastFailure();
    disk = type == FILE_TYPE_DISK;
    return Status();
}

Result<Facts> FactsOf(HANDLE handle, const BY_HANDLE_FILE_INFORMATION& info, bool link) {
    Facts facts;
    if (link || IsReparsePoint(info.dwFileAttributes)) {
        facts.kind = Kind::Link;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        facts.kind = Kind::Folder;
    } else {
        bool disk = false;
        if (Status typed = OnDisk(handle, disk); !typed.ok()) return typed;
        facts.kind = disk ? Kind::Regular : Kind::Other;
    }
    facts.size = Wide64(info.nFileSizeHigh, info.nFileSizeLow);
    facts.links = info.nNumberOfLinks;
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = Wide64(info.nFileIndexHigh, info.nFileIndexLow);
    // The one permission Windows keeps beside the access lists.
    facts.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return facts;
}

// Whether the file open at place is a regular file, the one the place
// found: a reparse point put under the name since (seen by the handle, or
// under Wine only by the name) is refused, as are folders and devices. A
// look that fails says nothing of what the file is: its reason.
Status CheckRegular(HANDLE file, const WindowsPlace& place) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return LastFailure();
    bool link = IsReparsePoint(info.dwFileAttributes);
    if (!link) {
        const DWORD named = GetFileAttributesW(place.wide.c_str());
        if (named == INVALID_FILE_ATTRIBUTES) return LastFailure();
        link = IsReparsePoint(named);
    }
    if (link) return Status::Refused(Code::UnsafeLink, "it is a link");
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Status::Refused(Code::IsFolder, "it is a directory");
    bool disk = false;
    if (Status typed = OnDisk(file, disk); !typed.ok()) return typed;
    if (!disk) return Status::Refused(Code::NotRegular, "it is not a regular file");
    return Status();
}

class WindowsFile final : public File {
    // Reads and writes name their offset, so none depends on where the
    // handle's own position is; at most 1 GiB a call.
    static OVERLAPPED At(uint64_t offset) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return at;
    }
    static DWORD Chunk(size_t left) { return static_cast<DWORD>(std::min<size_t>(left, 1u << 30)); }

public:
    WindowsFile(Path path, HANDLE handle) : File(std::move(path)), handle_(handle) {}

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        size_t done = 0;
        while (done < size) {
            OVERLAPPED at = At(offset + done);
            const DWORD chunk = Chunk(size - done);
            DWORD count = 0;
            if (!ReadFile(handle_.Get(), static_cast<char*>(buffer) + done, chunk, &count, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                return LastFailure();
            }
            if (count == 0) break;
            done += count;
        }
        return done;
    }

    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        size_t done = 0;
        while (done < size) {
            OVERLAPPED at = At(offset + done);
            const DWORD chunk = Chunk(size - done);
            DWORD count = 0;
            if (!WriteFile(handle_.Get(), static_cast<const char*>(bytes) + done, chunk, &count, &at)) {
                return LastFailure();
            }
            if (count == 0) return Status::FromSystem(ERROR_WRITE_FAULT);
            done += count;
        }
        return Status();
    }

    Status Truncate(uint64_t size) override {
        FILE_END_OF_FILE_INFO end;
        end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
        return SetFileInformationByHandle(handle_.Get(), FileEndOfFileInfo, &end, sizeof end) ? Status() : LastFailure();
    }

    Status Flush() override { return FlushFileBuffers(handle_.Get()) ? Status() : LastFailure(); }

    Result<Facts> Look() override {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle_.Get(), &info)) return LastFailure();
        return FactsOf(handle_.Get(), info, false);
    }

    // The read-only attribute is what Windows keeps of the permission bits:
    // set when the owner may not write.
    Status SetAttributes(const Attributes& attributes) override {
        if (attributes.mode < 0) return Status();
        FILE_BASIC_INFO basic;
        if (!GetFileInformationByHandleEx(handle_.Get(), FileBasicInfo, &basic, sizeof basic)) return LastFailure();
        const bool readOnly = (attributes.mode & 0200) == 0;
        const DWORD before = basic.FileAttributes;
        if (readOnly) {
            basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
        } else {
            basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        }
        if (basic.FileAttributes == before) return Status();
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        // Times of 0 are left as they are.
        basic.CreationTime.QuadPart = 0;
        basic.LastAccessTime.QuadPart = 0;
        basic.LastWriteTime.QuadPart = 0;
        basic.ChangeTime.QuadPart = 0;
        return SetFileInformationByHandle(handle_.Get(), FileBasicInfo, &basic, sizeof basic) ? Status()
                                                                                                : LastFailure();
    }

    Result<Ownership> Owner() override { return HandleOwnership(handle_.Get()); }

    Status Close() override {
        if (!handle_.Valid()) return Status();
        return CloseHandle(handle_.Release()) ? Status() : LastFailure();
    }


private:
    OwnedHandle handle_;
};

class WindowsLock final : public Lock {
public:
    explicit WindowsLock(HANDLE handle) : handle_(handle) {}

private:
    OwnedHandle handle_;  // an exclusive holder's file goes with it (FILE_FLAG_DELETE_ON_CLOSE)
};

Status RemoveName(const WindowsPlace& place) {
    const bool folderLink = place.kind == Kind::Link && (place.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folderLink ? RemoveDirectoryW(place.wide.c_str()) : DeleteFileW(place.wide.c_str())) return Status();
    return LastFailure();
}

}  // namespace

void WindowsPrimitives::Found(Place& place) { place.wide = WideFromCodePage(place.text, 0); }

Result<Facts> WindowsPrimitives::FactsAt(const Place& place) {
    // Attribute access alone takes no part in sharing: the facts of a file
    // that another process holds locked can be read too.
    OwnedHandle file(CreateFileW(place.wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (IsMissingError(error)) return Facts{};
        return Status::FromSystem(error);
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return LastFailure();
    return FactsOf(file.Get(), info, place.kind == Kind::Link);
}

Result<Ownership> WindowsPrimitives::OwnerAt(const Place& place) {
    OwnedHandle file(CreateFileW(place.wide.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return LastFailure();
    return HandleOwnership(file.Get());
}

Result<std::vector<Entry>> WindowsPrimitives::ListAt(Place& place) {
    if (Status held = HoldLast(place); !held.ok()) return held;
    std::string pattern = place.text;
    if (!EndsWithPathSeparator(pattern)) pattern += '\\';
    pattern += '*';
    std::vector<Entry> entries;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(WideFromCodePage(pattern, 0).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        // The start of a drive lists no "." and may list nothing at all.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return entries;
        return Status::FromSystem(error);
    }
    do {
        const std::wstring wide = found.cFileName;
        if (wide == L"." || wide == L"..") continue;
        Entry entry;
        entry.exact = CodePageFromWide(wide, entry.name, true);
        if (IsReparsePoint(found.dwFileAttributes)) {
            entry.kind = Kind::Link;
        } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entry.kind = Kind::Folder;
        } else {
            entry.kind = Kind::Regular;
        }
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) return Status::FromSystem(error);
    return entries;
}

Result<std::unique_ptr<File>> WindowsPrimitives::OpenAt(Place& place, const Path& path, const OpenOptions& options) {
    OwnedHandle file;
    if (options.mode == OpenMode::CreateOnly) {
        // A new file takes the access list its folder hands down; an
        // owner-only one (a record, the log) the program's own list, and is
        // not made at all when that list cannot be.
        SECURITY_ATTRIBUTES* security = nullptr;
        if (options.ownerOnly) {
            Result<SECURITY_ATTRIBUTES*> made = PrivateFileSecurity();
            if (!made.ok()) return made.TakeStatus();
            security = *made;
        }
        file = OwnedHandle(CreateFileW(place.wide.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, kShareAll,
                                       security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr));
    } else {
        const DWORD access = options.mode == OpenMode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
        file = OwnedHandle(CreateFileW(place.wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    }
    if (!file.Valid()) return LastFailure();
    // A device name (NUL, COM1 ...) opens the device, in any folder.
    if (Status regular = CheckRegular(file.Get(), place); !regular.ok()) return regular;
    return std::unique_ptr<File>(std::make_unique<WindowsFile>(path, file.Release()));
}

// Written through: the move reaches the disk, its folder's entry included,
// before the call returns. Without MOVEFILE_REPLACE_EXISTING a taken new
// name is refused: one step that never replaces a file.
Status WindowsPrimitives::RenameAt(const Place& from, const Place& to, RenameMode mode) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (mode == RenameMode::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.wide.c_str(), to.wide.c_str(), flags) ? Status() : LastFailure();
}

// The new name must be free: CreateHardLinkW never replaces.
Status WindowsPrimitives::LinkAt(const Place& existing, const Place& name) {
    if (CreateHardLinkW(name.wide.c_str(), existing.wide.c_str(), nullptr)) return Status();
    const DWORD error = GetLastError();
    switch (error) {
        // FAT and exFAT, a share without links, another volume, or a file
        // with as many names as it may have.
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_NOT_SAME_DEVICE:
        case ERROR_TOO_MANY_LINKS:
        case ERROR_CALL_NOT_IMPLEMENTED: return Status(Code::Unsupported, static_cast<int>(error), SystemMessage(error));
        default: return Status::FromSystem(error);
    }
}

// A name goes as a name: a file, a link to a file, or a link to a folder
// (a junction, which goes by RemoveDirectoryW), never what a link names.
// Tried also where the listing shows no name: Wine lists a link of the host
// that leads nowhere as none, though it holds the name.
Status WindowsPrimitives::RemoveAt(const Place& place) { return RemoveName(place); }

Status WindowsPrimitives::MakeFolderAt(const Place& place, bool ownerOnly) {
    SECURITY_ATTRIBUTES* security = nullptr;
    if (ownerOnly) {
        Result<SECURITY_ATTRIBUTES*> made = PrivateFolderSecurity();
        if (!made.ok()) return made.TakeStatus();
        security = *made;
    }
    return CreateDirectoryW(place.wide.c_str(), security) ? Status() : LastFailure();
}

Status WindowsPrimitives::RemoveFolderAt(const Place& place) {
    return RemoveDirectoryW(place.wide.c_str()) ? Status() : LastFailure();
}

// NTFS writes a folder's names to its log with the files' metadata; there
// is no folder handle to flush. The path was still followed, so that a
// flush of a missing or refused one fails as it does elsewhere.
Status WindowsPrimitives::FlushFolderAt(const Place&) { return Status(); }

namespace {

class WindowsFileSystem final : public PlacedFileSystem<WindowsPrimitives> {
public:
    ~WindowsFileSystem() override { ClearRoots(); }

    Result<std::unique_ptr<Lock>> TakeLock(const Path& path, LockMode mode) override {
        const bool exclusive = mode == LockMode::Exclusive;
        // An exclusive holder's file is made owner-only, or not at all.
        SECURITY_ATTRIBUTES* security = nullptr;
        if (exclusive) {
            Result<SECURITY_ATTRIBUTES*> made = PrivateFileSecurity();
            if (!made.ok()) return made.TakeStatus();
            security = *made;
        }
        for (int attempt = 0; attempt < 64; ++attempt) {
            WindowsPlace place;
            if (Status found = Find(path, Last::Itself, place); !found.ok()) return found;
            if (place.folderMissing) return place.MissingStatus();
            if (place.kind == Kind::Link) {
                if (!exclusive) return Status::FromErrno(ENOENT);
                // A link under the lock's name is no lock anyone holds: it
                // goes as a name, and the lock is made where it was.
                if (Status removed = RemoveName(place); !removed.ok()) return removed;
                continue;
            }
            if (place.kind == Kind::Folder) return Status::Refused(Code::NotRegular, "it is not a regular file");
            // Exclusive: a file nobody else may open, which the system
            // deletes when the handle goes, also when the process is
            // killed; made only where no name is (CREATE_NEW), so that a
            // link of the host that leads nowhere, which Wine lists as no
            // name, is never followed. Shared: opened for reading beside
            // other readers; an exclusive holder refuses it.
            const DWORD openAs = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
            const bool exists = place.kind != Kind::Missing;
            HANDLE raw = exclusive ? CreateFileW(place.wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                                 security, exists ? OPEN_EXISTING : CREATE_NEW,
                                                 openAs | FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                                   : CreateFileW(place.wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, openAs, nullptr);
            if (raw == INVALID_HANDLE_VALUE) {
                const DWORD error = GetLastError();
                if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION) {
                    return Status(Code::Busy, static_cast<int>(error), "it is locked by another process");
                }
                if (IsMissingError(error)) {
                    if (!exclusive) return Status::FromErrno(ENOENT);
                    continue;  // gone since the look
                }
                if (exclusive && IsTakenError(error)) {
                    // Made since the look (a holder's file refuses to go and
                    // is busy next time), or a link of the host leading
                    // nowhere. A holder's file refusing to go is found
                    // busy by the next look; any other failure to remove
                    // the name is the system's reason.
                    if (!DeleteFileW(place.wide.c_str())) {
                        const DWORD failed = GetLastError();
                        if (!IsMissingError(failed) && failed != ERROR_SHARING_VIOLATION &&
                            failed != ERROR_ACCESS_DENIED) {
                            return Status::FromSystem(failed);
                        }
                    }
                    continue;
                }
                return Status::FromSystem(error);
            }
            OwnedHandle file(raw);
            BY_HANDLE_FILE_INFORMATION info;
            if (!GetFileInformationByHandle(file.Get(), &info)) return LastFailure();
            if (IsReparsePoint(info.dwFileAttributes)) {
                // A link put there since the look: closing the exclusive
                // handle removes that link itself.
                if (!exclusive) return Status::FromErrno(ENOENT);
                continue;
            }
            bool disk = false;
            if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                if (Status typed = OnDisk(file.Get(), disk); !typed.ok()) return typed;
            }
            if (!disk) return Status::Refused(Code::NotRegular, "it is not a regular file");
            // A lock file someone else could have made or could change is
            // no lock of the program's: it is never taken for one.
            Result<Ownership> ownership = HandleOwnership(file.Get());
            if (!ownership.ok()) return ownership.TakeStatus();
            if (Status own = OwnStatus(*ownership); !own.ok()) return own;
            return std::unique_ptr<Lock>(new WindowsLock(file.Release()));
        }
        return Status::Refused(Code::Busy, "its name keeps changing");
    }

    Result<uint64_t> FreeSpace(const Path& path) override {
        std::error_code error;
        const std::filesystem::space_info space = std::filesystem::space(PathFromText(path), error);
        if (error) return Status(Code::Io, error.value(), error.message());
        return static_cast<uint64_t>(space.available);
    }

protected:
    Result<intptr_t> OpenRoot(const Path& directory) override {
        // Held as a folder on the way is (walk_win32.cpp), for as long as it
        // is a root.
        OwnedHandle root(CreateFileW(WideFromCodePage(directory, 0).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!root.Valid()) return LastFailure();
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(root.Get(), &info)) return LastFailure();
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Status::FromErrno(ENOTDIR);
        return reinterpret_cast<intptr_t>(root.Release());
    }

    void CloseRoot(intptr_t handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
};

}  // namespace

std::unique_ptr<PlatformFileSystem> MakePlatformFileSystem() { return std::make_unique<WindowsFileSystem>(); }

}  // namespace zel::toolkit
