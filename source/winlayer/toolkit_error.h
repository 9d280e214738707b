// The Windows error that says what the toolkit's last error says, for a
// call of the service manager whose service files failed it: the disk was
// full, the folder read-only, the look denied, and not "access denied" for
// every cause.
#pragma once

#include "windows_api.h"

// fallback: the error of a failure no Windows code names better
// (ERROR_READ_FAULT for a read, ERROR_WRITE_FAULT for a change).
DWORD WindowsErrorOfToolkit(DWORD fallback);
