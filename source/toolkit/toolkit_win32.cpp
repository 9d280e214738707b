// Windows side of the toolkit's platform calls.
#include <windows.h>

#include <cstdio>

#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        message.assign(text, length);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.')) {
            message.pop_back();
        }
    }
    if (text != nullptr) LocalFree(text);
    if (message.empty()) message = "system error";
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, " (%lu)", static_cast<unsigned long>(code));
    return message + suffix;
}

}  // namespace

bool PlatformProgramPath(std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    path.assign(buffer, length);
    return true;
}

bool PlatformReplaceFile(const char* source, const char* target, std::string& reason) {
    if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    reason = SystemMessage(GetLastError());
    return false;
}

uint64_t PlatformPhysicalMemoryMegabytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return static_cast<uint64_t>(status.ullTotalPhys) / (1024u * 1024u);
}

int PlatformSeek(std::FILE* stream, int64_t offset, int origin) {
    return _fseeki64(stream, offset, origin);
}

int64_t PlatformTell(std::FILE* stream) {
    return _ftelli64(stream);
}

}  // namespace zel::toolkit
