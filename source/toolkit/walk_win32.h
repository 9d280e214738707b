// On Windows: the walk's calls (walk.h). A place holds the folders on the
// way open (without FILE_SHARE_DELETE) while the call that follows works by
// the text of the path as followed (MoveFileExW, DeleteFileW, CreateFileW
// ...): none of them can be renamed, removed or swapped for a junction
// meanwhile.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "walk.h"

namespace zel::toolkit {

struct WindowsPrimitives {
    struct Place : WalkedName {
        Place() = default;
        ~Place();
        Place(Place&& other) noexcept;
        Place& operator=(Place&& other) noexcept;
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

        std::vector<HANDLE> folders;  // held, outermost first
        std::wstring wide;            // text, for the W calls
        // The last name's attributes as its folder lists them (a link of
        // the host shows as a reparse point there also under Wine);
        // INVALID_FILE_ATTRIBUTES when it is missing.
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
    };

    static Status AtStart(const LexicalPath& path, Place& place);
    static Status BeginAtRoot(const FileRoot& root, Place& place);
    static Result<bool> BeginAt(const std::string& folder, Place& place);
    static Status LookUp(Place& place, const std::string& folder, const std::string& name, std::string& spelled);
    static Status ReadLink(Place& place, const LexicalPath& path, const std::string& folder, const std::string& link,
                           std::string& target);
    static Status Descend(Place& place, const std::string& folder);
    static void Release(Place& place);

    // The calls on a place found (placed_file_system.h).
    static void Found(Place& place);
    static Result<Facts> FactsAt(const Place& place);
    static Result<Ownership> OwnerAt(const Place& place);
    static Result<std::vector<Entry>> ListAt(Place& place);
    static Result<std::unique_ptr<File>> OpenAt(Place& place, const Path& path, const OpenOptions& options);
    static Status RenameAt(const Place& from, const Place& to, RenameMode mode);
    static Status LinkAt(const Place& existing, const Place& name);
    static Status RemoveAt(const Place& place);
    static Status MakeFolderAt(const Place& place, bool ownerOnly);
    static Status RemoveFolderAt(const Place& place);
    static Status FlushFolderAt(const Place& place);

    // Holds the last name too, which must be a folder (and no reparse
    // point): for a call that works inside it.
    static Status HoldLast(Place& place);
};

using WindowsPlace = WindowsPrimitives::Place;

bool IsMissingError(DWORD error);

}  // namespace zel::toolkit
