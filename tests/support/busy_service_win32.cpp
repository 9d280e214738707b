// A Windows service for the tests: once started it runs, accepting no stop
// control, as a server busy with work would, until the tests set its end
// event (or a minute passes, so that a failed test leaves nothing behind).
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void Report(DWORD state) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = 0;
    SetServiceStatus(statusHandle, &status);
}

void WINAPI ServiceMain(DWORD, char**) {
    statusHandle = RegisterServiceCtrlHandlerExA("", Control, nullptr);
    if (statusHandle == nullptr) return;
    HANDLE end = CreateEventA(nullptr, TRUE, FALSE, "Global\\ZelBusyServiceEnd");
    Report(SERVICE_RUNNING);
    if (end != nullptr) {
        WaitForSingleObject(end, 60000);
        CloseHandle(end);
    }
    Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
