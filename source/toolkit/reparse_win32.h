// On Windows: a reparse point (a symbolic link, a junction) as the link
// rule sees it: who owns it, and the path it names.
#pragma once

#include <windows.h>

#include <string>

#include "status.h"

namespace zel::toolkit {

// Whether a directory entry is a link to the toolkit. Every reparse point
// is: the few kinds that redirect no name (placeholders of cloud and
// deduplicated files) are refused with the rest rather than opened past
// the driver that serves their bytes.
inline bool IsReparsePoint(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The text of the path that the reparse point at path names, when the link
// rule lets it be followed: it belongs to the user running the program,
// to BUILTIN\Administrators or to LocalSystem. The text is absolute ("C:\x",
// "\\server\share\x"), relative to the link's folder ("..\x"), or relative
// to its drive ("\x"). A refusal (naming the link) when the owner is
// another or the point names no path the code page can write.
Status ReadAllowedLink(const std::string& path, std::string& target);

}  // namespace zel::toolkit
