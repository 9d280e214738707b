#include <windows.h>

#include <string>

#include "support/folder_link.h"

namespace zel::testing {

namespace {

namespace fs = std::filesystem;

// Wine's own exports: the host's path of a Windows one and back. Null on
// Windows.
using UnixFileName = char*(__cdecl*)(const wchar_t*);
using DosFileName = wchar_t*(__cdecl*)(const char*);

template <typename Call>
Call WineExport(const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

bool UnderWine() { return WineExport<UnixFileName>("wine_get_unix_file_name") != nullptr; }

// The host's path of path (whose folder must exist), as a wide text.
std::wstring HostPath(const fs::path& path) {
    const fs::path absolute = fs::absolute(path);
    char* folder = WineExport<UnixFileName>("wine_get_unix_file_name")(absolute.parent_path().c_str());
    if (folder == nullptr) return L"";
    const std::u8string name = absolute.filename().u8string();
    const std::string text = std::string(folder) + "/" + std::string(name.begin(), name.end());
    HeapFree(GetProcessHeap(), 0, folder);
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

// Runs a command and waits for it to end when the system gives a handle to
// wait on.
bool Run(const wchar_t* program, std::wstring commandLine, std::string* why) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        *why = "cannot start " + Narrow(commandLine) + ": error " + std::to_string(GetLastError());
        return false;
    }
    if (process.hProcess != nullptr) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return true;
}

// Runs a tool of the host (/bin/ln, /bin/rm) under Wine, which gives no
// handle of such a process to wait on: it is done once link shows as made
// (or gone).
bool RunOnHost(const char* tool, const std::wstring& arguments, const fs::path& link, bool made, std::string* why) {
    const std::string path = std::string("/bin/") + tool;
    wchar_t* program = WineExport<DosFileName>("wine_get_dos_file_name")(path.c_str());
    if (program == nullptr) {
        *why = "Wine names no path for " + path;
        return false;
    }
    const bool started = Run(program, std::wstring(path.begin(), path.end()) + L" " + arguments, why);
    HeapFree(GetProcessHeap(), 0, program);
    if (!started) return false;
    for (int wait = 0; wait < 3000; ++wait) {
        if ((GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) == made) return true;
        Sleep(10);
    }
    *why = std::string("the host's ") + tool + " did not " + (made ? "make " : "remove ") + Narrow(link.native());
    return false;
}

}  // namespace

bool MakeFolderLink(const fs::path& link, const fs::path& target, std::string* why) {
    if (UnderWine())
        return RunOnHost("ln", L"-s " + Quoted(HostPath(target)) + L" " + Quoted(HostPath(link)), link, true, why);
    if (!Run(nullptr, L"cmd.exe /c mklink /J " + Quoted(link.native()) + L" " + Quoted(target.native()), why)) {
        return false;
    }
    if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    *why = "mklink made no junction at " + Narrow(link.native());
    return false;
}

bool RemoveFolderLink(const fs::path& link, std::string* why) {
    if (UnderWine()) return RunOnHost("rm", Quoted(HostPath(link)), link, false, why);
    // A junction goes as an empty folder would; what it names stays.
    if (RemoveDirectoryW(link.c_str())) return true;
    *why = "cannot remove " + Narrow(link.native()) + ": error " + std::to_string(GetLastError());
    return false;
}

}  // namespace zel::testing
