// On Windows: where a path leads, as the text of the path as followed, with
// the folders on the way held open (without FILE_SHARE_DELETE) while the
// call that follows works by that text (MoveFileExW, DeleteFileW,
// CreateFileW ...): none of them can be renamed, removed or swapped for a
// junction meanwhile.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "reparse_win32.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

class Place {
public:
    Place() = default;
    ~Place();
    Place(Place&& other) noexcept;
    Place& operator=(Place&& other) noexcept;
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    std::vector<HANDLE> folders;  // held, outermost first
    bool folderMissing = false;   // a folder on the way is missing (so is the last name)
    std::string name;             // the last name, as the disk spells it
    std::string text;             // the whole path as followed (links replaced)
    std::wstring wide;            // the same, for the W calls
    // The last name's attributes as its folder lists them (a link of the
    // host shows as a reparse point there also under Wine);
    // INVALID_FILE_ATTRIBUTES when it is missing.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;

    bool Exists() const { return attributes != INVALID_FILE_ATTRIBUTES; }
    bool IsLink() const { return IsReparsePoint(attributes); }
    bool IsFolder() const { return Exists() && !IsLink() && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Follows path to its last name. False, with the problem, when the path is
// refused (a link the rule does not allow, a file where a folder must be, a
// wildcard in a name) or the system fails; a missing last name (or folder)
// is no failure.
bool FindPlace(const char* path, LastName last, Place& place, Problem& problem);

// Holds the last name too, which must be a folder (and no reparse point):
// for a call that works inside it.
bool HoldLastFolder(Place& place, Problem& problem);

// The problem of a failed system call. A missing file and a taken name say
// what the C library says elsewhere ("No such file or directory").
Problem SystemProblem(DWORD error);

// Whether error says that a file or a folder on its way is missing.
bool IsMissingError(DWORD error);

}  // namespace zel::toolkit
