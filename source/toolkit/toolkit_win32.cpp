// Windows side of the toolkit's platform calls. Paths are narrow texts in
// the system code page, as the A calls take them.
#include <windows.h>

#include <io.h>

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

bool Failed(std::string& reason) {
    reason = SystemMessage(GetLastError());
    return false;
}

// Sends a closed file's bytes down to the disk before it takes its final
// name.
bool FlushPath(const char* path, std::string& reason) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(reason);
    const bool flushed = FlushFileBuffers(file) != 0;
    if (!flushed) Failed(reason);
    CloseHandle(file);
    return flushed;
}

}  // namespace

bool PlatformProgramPath(std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    path.assign(buffer, length);
    return true;
}

std::string PlatformResolvedPath(const char* path) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

FileKind PlatformFileKind(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Other : FileKind::Regular;
}

bool PlatformReplaceFile(const char* source, const char* target, std::string& reason) {
    if (!FlushPath(source, reason)) return false;
    // The write-through move reaches the disk, directory entry included,
    // before it returns.
    if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    return Failed(reason);
}

bool PlatformRenameFile(const char* oldPath, const char* newPath, std::string& reason) {
    // Without MOVEFILE_REPLACE_EXISTING an existing new name is refused.
    if (MoveFileExA(oldPath, newPath, MOVEFILE_WRITE_THROUGH)) return true;
    return Failed(reason);
}

bool PlatformDeleteFile(const char* path, std::string& reason) {
    if (DeleteFileA(path)) return true;
    return Failed(reason);
}

bool PlatformRemoveDirectory(const char* path, std::string& reason) {
    if (RemoveDirectoryA(path)) return true;
    return Failed(reason);
}

// NTFS writes a new directory entry to its log with the file's metadata;
// there is no directory handle to flush.
bool PlatformFlushDirectoryOf(const char*, std::string&) { return true; }

bool PlatformFlushStream(std::FILE* stream) {
    return std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0;
}

LockResult PlatformLockFile(const char* path, bool exclusive, intptr_t* handle, std::string& reason) {
    // Exclusive: a file nobody else may open, which the system deletes when
    // the handle goes, also when the process is killed. Shared: opened for
    // reading beside other readers; an exclusive holder refuses it.
    HANDLE file = exclusive ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                            : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        *handle = reinterpret_cast<intptr_t>(file);
        return LockResult::Held;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION) {
        return LockResult::Busy;
    }
    if (!exclusive && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) return LockResult::Missing;
    reason = SystemMessage(error);
    return LockResult::Failed;
}

void PlatformUnlockFile(const char*, bool, intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

void PlatformEndAbruptly() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
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
