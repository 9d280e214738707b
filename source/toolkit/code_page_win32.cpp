#include "code_page_win32.h"

#include <cstdio>

namespace zel::toolkit {

std::wstring WideFromCodePage(const std::string& text, DWORD flags) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_ACP, flags, text.data(), length, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, flags, text.data(), length, wide.data(), count);
    return wide;
}

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

}  // namespace zel::toolkit
