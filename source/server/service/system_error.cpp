#include <cstdio>
#include <cstring>

#include "service_control.h"

namespace {

// System messages end with a line end: "\r\n" on Windows, a lone "\n"
// under Wine. Whatever it is, it must not reach the error line.
void StripLineEnd(char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) text[--length] = '\0';
}

}  // namespace

char* FormatSystemError(char* buffer, int size) {
    const DWORD code = GetLastError();
    char* message = nullptr;
    // There are no arguments to insert: a message with insert marks would
    // otherwise read them from a null array (or give no text at all).
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<LPSTR>(&message), 0, nullptr);
    if (!buffer || size <= 0) {
        if (length && message) LocalFree(message);
        SetLastError(code);
        return buffer;
    }
    buffer[0] = '\0';
    if (!length || !message) {
        // The code shown is the lookup's own failure, which says why there
        // is no text.
        if (size >= 14)
            std::snprintf(buffer, static_cast<size_t>(size), "(%lu)", static_cast<unsigned long>(GetLastError()));
        return buffer;
    }
    if (size >= lstrlenA(message) + 14) {
        StripLineEnd(message);
        std::snprintf(buffer, static_cast<size_t>(size), "%s (%lu)", message, static_cast<unsigned long>(code));
    }
    const DWORD current = GetLastError();
    LocalFree(message);
    SetLastError(current);
    return buffer;
}
