#include <windows.h>

#include "support/run_program.h"

namespace zel::testing {

namespace {

namespace fs = std::filesystem;

// Exact: no look-alike for a character the code page lacks, '?' instead.
bool SystemFromWide(const std::wstring& wide, std::string* text) {
    text->clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(wide.size());
    const int count =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    text->assign(static_cast<size_t>(count > 0 ? count : 0), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, text->data(), count, nullptr, &usedDefault);
    return !usedDefault;
}

}  // namespace

std::string SystemText(const fs::path& path) {
    std::string text;
    SystemFromWide(path.native(), &text);
    return text;
}

bool SystemCanWrite(const fs::path& path) {
    std::string text;
    return SystemFromWide(path.native(), &text);
}

unsigned SystemCodePage() { return GetACP(); }

}  // namespace zel::testing
