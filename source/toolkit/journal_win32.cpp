// On Windows: the second name the file journal gives a file about to lose
// its name (PlatformLinkFile, toolkit_platform.h). Apart from
// toolkit_win32.cpp so that the journal's one call of its own stays beside
// the journal; it follows paths with place_win32's FindPlace like the rest.
#include <windows.h>

#include "place_win32.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

LinkResult PlatformLinkFile(const char* existing, const char* newPath, Problem& problem) {
    Place from;
    Place to;
    if (!FindPlace(existing, LastName::Follow, from, problem) || !FindPlace(newPath, LastName::Itself, to, problem)) {
        return LinkResult::Failed;
    }
    if (!from.Exists() || from.folderMissing || to.folderMissing) {
        problem = SystemProblem(ERROR_FILE_NOT_FOUND);
        return LinkResult::Failed;
    }
    // The new name must be free: CreateHardLinkW never replaces.
    if (CreateHardLinkW(to.wide.c_str(), from.wide.c_str(), nullptr)) return LinkResult::Linked;
    const DWORD error = GetLastError();
    problem = SystemProblem(error);
    switch (error) {
        // FAT and exFAT, a share without links, another volume, or a file
        // with as many names as it may have.
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_NOT_SAME_DEVICE:
        case ERROR_TOO_MANY_LINKS:
        case ERROR_CALL_NOT_IMPLEMENTED: return LinkResult::Unsupported;
        default: return LinkResult::Failed;
    }
}

}  // namespace zel::toolkit
