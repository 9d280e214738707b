// Off Windows: where a path leads, as an open folder and a name in it, so
// that the call that follows works on that folder (openat, renameat,
// unlinkat ...) and nothing swapped in along the path since can redirect it.
#pragma once

#include <string>

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

    // The folder that holds the last name; -1 when a folder on the way is
    // missing (the last name is then missing too).
    int folder = -1;
    std::string name;    // the last name
    std::string text;    // the whole path as followed (links replaced)
    std::string folderText;
};

// Follows path to its last name. False, with the problem, when the path is
// refused (a link the rule does not allow, a file where a folder must be)
// or the system fails; a missing last name (or folder) is no failure.
bool FindPlace(const char* path, LastName last, Place& place, Problem& problem);

// The problem of a failed system call, errno's text.
Problem SystemProblem(int errnoValue);

}  // namespace zel::toolkit
