#include "host_libraries.h"

#include "kernel_store.h"
#include "shell_admin.h"

void ConnectHostLibraries() {
    // The shell asks the kernel for a database's real record count when it
    // is told to store a count of 0.
    zel::shell::SetRecordCounter(&zel::kernel::CountRecordsForShell);
}
