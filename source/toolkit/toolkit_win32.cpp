// Windows side of the toolkit's platform calls. Paths are narrow texts in
// the system code page, as the A calls take them.
#include <windows.h>

#include <shellapi.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "path_text.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr) {
        message.assign(text, length);
        while (!message.empty() &&
               (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.')) {
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

std::wstring WideFromCodePage(const std::string& text, DWORD flags) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, flags, text.data(), length, wide.data(), count);
    return wide;
}

// The code page's text of wide. With exact, a character that the code page
// lacks becomes '?' and makes the result false; without, Windows may write a
// look-alike instead ("L" for "Ł"), as it does for a program's arguments.
bool CodePageFromWide(const std::wstring& wide, std::string& text, bool exact) {
    text.clear();
    if (wide.empty()) return true;
    const UINT codePage = GetACP();
    const int length = static_cast<int>(wide.size());
    // UTF-8 writes every character; it takes neither the flag nor the
    // default character.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = exact ? (utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS) : 0;
    BOOL usedDefault = FALSE;
    BOOL* reportDefault = exact && !utf8 ? &usedDefault : nullptr;
    int count = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, reportDefault);
    if (count <= 0) {
        // Only UTF-8's check fails outright (a lone surrogate half).
        CodePageFromWide(wide, text, false);
        return false;
    }
    text.assign(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), count, nullptr, reportDefault);
    return !usedDefault;
}

}  // namespace

std::filesystem::path PathFromText(const std::string& text) { return std::filesystem::path(WideFromCodePage(text, 0)); }

bool TextFromPath(const std::filesystem::path& path, std::string& text) {
    return CodePageFromWide(path.native(), text, true);
}

std::string DisplayText(const std::filesystem::path& path) {
    std::string text;
    TextFromPath(path, text);
    return text;
}

bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

unsigned SystemCodePage() { return GetACP(); }

std::string PathTextProblem(const std::string& text) {
    char message[160];
    // "\\?\" before a path is Windows' own prefix for long paths, no wildcard.
    const size_t start = text.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    if (text.find_first_of("?*", start) != std::string::npos) {
        std::snprintf(message, sizeof message,
                      "holds '?' or '*', which no Windows path can hold (the system code page %u writes '?' for a "
                      "character it lacks)",
                      GetACP());
        return message;
    }
    if (!text.empty() && WideFromCodePage(text, MB_ERR_INVALID_CHARS).empty()) {
        std::snprintf(message, sizeof message, "is no text of the system code page %u", GetACP());
        return message;
    }
    // The C runtime made the program's arguments from the wide command line
    // with look-alikes for what the code page lacks: a text taken from such
    // an argument names another path than the one given.
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return "";
    bool altered = false;
    for (int i = 1; i < count && !altered; ++i) {
        std::string exact;
        std::string fitted;
        if (CodePageFromWide(words[i], exact, true)) continue;
        CodePageFromWide(words[i], fitted, false);
        altered = !text.empty() && fitted.find(text) != std::string::npos;
    }
    LocalFree(words);
    if (!altered) return "";
    std::snprintf(message, sizeof message,
                  "was given with characters that the system code page %u cannot write, so it names another path",
                  GetACP());
    return message;
}

bool PlatformProgramPath(std::filesystem::path& path) {
    // Asked in wide characters: the A call would give look-alikes for what
    // the code page lacks, a path that does not exist.
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return false;
    buffer.resize(length);
    path = std::filesystem::path(buffer);
    return true;
}

PlatformConsoleInput::PlatformConsoleInput() {
    DWORD mode = 0;
    // Only a console has an input code page; a pipe or a file gives its
    // bytes as they are.
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return;
    const UINT console = GetConsoleCP();
    if (console == 0 || console == GetACP()) return;
    if (SetConsoleCP(GetACP())) savedCodePage_ = console;
}

PlatformConsoleInput::~PlatformConsoleInput() {
    if (savedCodePage_ != 0) SetConsoleCP(savedCodePage_);
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
    // A file written under a work name takes its real name here: its bytes
    // must be on the disk before the name is.
    if (PlatformFileKind(oldPath) == FileKind::Regular && !FlushPath(oldPath, reason)) return false;
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

bool PlatformFlushStream(std::FILE* stream) { return std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0; }

bool PlatformFlushFile(const char* path, std::string& reason) { return FlushPath(path, reason); }

bool PlatformTruncateStream(std::FILE* stream, int64_t size, std::string& reason) {
    const errno_t error = _chsize_s(_fileno(stream), size);
    if (error == 0) return true;
    reason = std::strerror(error);
    return false;
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

int PlatformSeek(std::FILE* stream, int64_t offset, int origin) { return _fseeki64(stream, offset, origin); }

int64_t PlatformTell(std::FILE* stream) { return _ftelli64(stream); }

}  // namespace zel::toolkit
