// On Windows: what the toolkit asks of the system beside its files: path
// texts in the system code page, the running program's path, console
// input, the memory size, and the end of the process.
#include <windows.h>

#include <shellapi.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "code_page_win32.h"
#include "owner_win32.h"
#include "path_text.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

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
    if (words == nullptr) {
        // Unchecked is not unaltered.
        return "cannot be compared with the program's command line: " + SystemMessage(GetLastError());
    }
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

Status PlatformProgramPath(std::filesystem::path& path) {
    // Asked in wide characters: the A call would give look-alikes for what
    // the code page lacks, a path that does not exist.
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return Status::FromSystem(GetLastError());
    if (length >= buffer.size()) return Status::FromSystem(ERROR_INSUFFICIENT_BUFFER);
    buffer.resize(length);
    path = std::filesystem::path(buffer);
    return Status();
}

PlatformConsoleInput::PlatformConsoleInput() {
    DWORD mode = 0;
    // Only a console has an input code page; a pipe or a file gives its
    // bytes as they are.
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return;
    // A console whose code page cannot be read or set would hand over the
    // bytes of another code page, a path typed naming another path.
    const UINT console = GetConsoleCP();
    if (console == 0) {
        status_ = Status::FromSystem(GetLastError());
        return;
    }
    if (console == GetACP()) return;
    if (!SetConsoleCP(GetACP())) {
        status_ = Status::FromSystem(GetLastError());
        return;
    }
    savedCodePage_ = console;
}

PlatformConsoleInput::~PlatformConsoleInput() {
    if (savedCodePage_ != 0) SetConsoleCP(savedCodePage_);
}

void PlatformEndAbruptly() {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);
}

Status PlatformPhysicalMemoryMegabytes(uint64_t* megabytes) {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return Status::FromSystem(GetLastError());
    *megabytes = static_cast<uint64_t>(status.ullTotalPhys) / (1024u * 1024u);
    return Status();
}

}  // namespace zel::toolkit
