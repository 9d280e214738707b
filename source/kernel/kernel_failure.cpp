#include "kernel_failure.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "zelkit.h"

namespace zel::kernel {
namespace {

std::string FormatV(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) return format;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

bool Fail(const char* operation, uint32_t code, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string cause = FormatV(format, arguments);
    va_end(arguments);
    Z_SetLastErrorText(code, "%s: %s", operation, cause.c_str());
    return false;
}

bool FailAfterToolkit(const char* operation, const char* format, ...) {
    // Copied first: the toolkit's text lives only until the next error is set.
    uint32_t code = Z_GetLastError();
    const char* prompt = Z_GetLastErrorPrompt(nullptr, 0);
    std::string toolkitText = prompt ? prompt : "";
    if (code == Z_ERROR_NONE) code = Z_ERROR_IO;

    va_list arguments;
    va_start(arguments, format);
    std::string action = FormatV(format, arguments);
    va_end(arguments);
    if (toolkitText.empty()) {
        Z_SetLastErrorText(code, "%s: %s", operation, action.c_str());
    } else {
        Z_SetLastErrorText(code, "%s: %s (%s)", operation, action.c_str(), toolkitText.c_str());
    }
    return false;
}

KeepLastError::KeepLastError() : code_(Z_GetLastError()) {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    if (text != nullptr) text_ = text;
}

KeepLastError::~KeepLastError() { Z_SetLastErrorText(code_, "%s", text_.c_str()); }

}  // namespace zel::kernel
