// Console output on Windows. The program's texts are in the system (ANSI)
// code page, but a console shows bytes in its own output code page, often
// the OEM one (850 beside 1252, 437 beside 1252 in the United States): an
// "é" of a home's path would show as "Ú". Written as wide text, the console
// shows each character as meant, whatever its code page.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "code_page_win32.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

bool PlatformStdoutIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool PlatformWriteConsole(const char* text, size_t size) {
    const DWORD saved = GetLastError();
    const std::wstring wide = WideFromCodePage(std::string(text, size), 0);
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    size_t done = 0;
    while (done < wide.size()) {
        // A console takes a limited amount at a time.
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
        DWORD count = 0;
        if (!WriteConsoleW(console, wide.data() + done, chunk, &count, nullptr) || count == 0) break;
        done += count;
    }
    bool written = !wide.empty() && done == wide.size();
    // A text the console took none of goes as bytes rather than not at all.
    if (done == 0 && !written) written = std::fwrite(text, 1, size, stdout) == size && std::fflush(stdout) == 0;
    SetLastError(saved);
    return written;
}

}  // namespace zel::toolkit
