// The attributes a file the toolkit writes takes before it gets its final
// name, set on its descriptor by PlatformReplaceFile. No file the toolkit
// writes ever gets a set-user-ID, set-group-ID or sticky bit: a program
// running as root that copied one from a folder another account can write
// would hand that account the administrator's rights.
#pragma once

#include "toolkit_platform.h"

namespace zel::toolkit {

// A replacement keeps what the administrator set on the file it replaces
// (target followed by the link rule): its permission bits and its owner.
// False when nothing is at target: the new file keeps what it was made
// with.
bool ReplacementAttributes(const char* target, FileAttributes& attributes);

// A copy of a file whose ownership was read from the open source, taking
// target's name: the permission bits of the file it replaces (else the
// source's), always writable by its owner (a package on read-only media
// must not leave copies the next upgrade cannot replace). Its owner is the
// source's when another account owns the source, as `cp -p` run as root
// keeps it, so that the administrator never gets a copy of someone else's
// program; else the replaced file's, or the source's for a new name.
FileAttributes CopyAttributes(const Ownership& source, const char* target);

}  // namespace zel::toolkit
