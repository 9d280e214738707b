#include <windows.h>

#include "support/busy_service.h"
#include "support/run_program.h"

namespace zel::testing {

namespace {

// Polls the service's state for up to ten seconds.
bool WaitForState(SC_HANDLE service, DWORD wanted) {
    for (int tries = 0; tries < 100; ++tries) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == wanted) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

std::string BusyServiceProgram() { return NativePath(ZEL_BUSY_SERVICE_PATH); }

bool StartBusyService(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return false;
    bool running = false;
    if (SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS)) {
        running = StartServiceA(service, 0, nullptr) && WaitForState(service, SERVICE_RUNNING);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return running;
}

void EndBusyService(const char* name) {
    if (HANDLE end = OpenEventA(EVENT_MODIFY_STATE, FALSE, "Global\\ZelBusyServiceEnd")) {
        SetEvent(end);
        CloseHandle(end);
    }
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return;
    if (SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS)) {
        WaitForState(service, SERVICE_STOPPED);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

}  // namespace zel::testing
