// Telling "nothing there" from a failed call of the dictionary shell. A
// lookup that finds nothing returns null (or 0) and leaves the shell's
// not-found code as the toolkit's last error; a null with any other last
// error is a failure, whose error the driver prints.
#pragma once

#include <cstdint>

#include "zelkit.h"
#include "zemshell.h"

constexpr uint32_t SHELL_NOTHING_FOUND = 2002;

inline bool ShellFoundNothing() { return Z_GetLastError() == SHELL_NOTHING_FOUND; }

// For calls whose 0 is also a valid answer: clear the last error first, and
// a 0 afterwards is a failure only when an error was left.
inline void ClearToolkitError() { Z_CaptureError(Z_ERROR_NONE, "", "", 0); }
inline bool ToolkitErrorLeft() { return Z_GetLastError() != Z_ERROR_NONE; }

// The native character set (0: none). A query that fails is no answer: read
// as "none" it would skip the UTF8 dictionaries, build the entity lexicon in
// the wrong set, or offer to set a native charset over the one the home has.
// Returns false, with the shell's error left, when the query failed.
inline bool QueryNativeCharset(int* nativeCharset) {
    ClearToolkitError();
    *nativeCharset = SetSystemCharset(0);
    return *nativeCharset != 0 || !ToolkitErrorLeft();
}
