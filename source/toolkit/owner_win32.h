// On Windows: who owns a file and who else may change it, and the access
// list of the program's own private files (its records and its log).
#pragma once

#include <windows.h>

#include <string>

#include "file_system.h"

namespace zel::toolkit {

// The owners the toolkit trusts: the user running the program, the
// Administrators, the system.
bool IsTrustedOwner(PSID sid);
// Why the running user's account cannot be read; ok when it can. Until it
// can, no owner is told trusted or not: a caller fails with this reason.
Status RunningUserStatus();
// A SID as text ("S-1-5-21-..."), for a message.
std::string SidText(PSID sid);

// The owner of an open file or folder and whether an access entry lets
// another account write it; the handle needs READ_CONTROL.
Result<Ownership> HandleOwnership(HANDLE file);

// Security attributes that give the system, the Administrators and the
// running user alone access to a new file (or a new folder, whose entries
// inherit them). The system's reason when they cannot be made: the caller
// then refuses to make the file, rather than make it open to everyone.
Result<SECURITY_ATTRIBUTES*> PrivateFileSecurity();
Result<SECURITY_ATTRIBUTES*> PrivateFolderSecurity();

}  // namespace zel::toolkit
