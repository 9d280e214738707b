// The toolkit's last error: one code and one text for the whole process,
// which is single-threaded.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "status.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace {

uint32_t lastErrorCode = Z_ERROR_NONE;
std::string lastErrorText;
// The system's error number behind the last error; 0 when no system call's.
int lastSystemError = 0;

void SetLastErrorV(uint32_t code, const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    lastErrorCode = code;
    lastSystemError = 0;
    if (length < 0) {
        lastErrorText = format;
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    lastErrorText = std::move(text);
}

}  // namespace

namespace zel::toolkit {

int FailProblem(const char* operation, const char* action, const char* path, const Problem& problem) {
    Z_SetLastErrorText(problem.code, "%s: cannot %s %s: %s", operation, action, path ? path : "(null)",
                       problem.text.c_str());
    return 0;
}

int FailErrno(const char* operation, const char* action, const char* path, int errnoValue) {
    return FailStatus(operation, action, path ? path : "(null)", Status::FromErrno(errnoValue));
}

int FailStatus(const char* operation, const char* action, const std::string& path, const Status& status) {
    if (status.told()) {
        Z_SetLastErrorText(status.ToolkitCode(), "%s", status.reason().c_str());
        lastSystemError = 0;
        return 0;
    }
    Z_SetLastErrorText(status.ToolkitCode(), "%s: cannot %s %s: %s", operation, action, path.c_str(),
                       status.reason().c_str());
    lastSystemError = status.systemError();
    return 0;
}

int Fail(uint32_t code, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    SetLastErrorV(code, format, arguments);
    va_end(arguments);
    return 0;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool RejectEmptyPath(const char* operation, const char* path) {
    if (path != nullptr && path[0] != '\0') return false;
    Fail(Z_ERROR_BAD_ARGUMENT, "%s: no path given", operation);
    return true;
}

}  // namespace zel::toolkit

int Z_CaptureError(uint32_t code, const char* text, const char* /*source*/, int /*line*/) {
    // The text alone is what the operator sees; where it was raised only
    // matters to a debugger.
    lastErrorCode = code;
    lastErrorText = text ? text : "";
    lastSystemError = 0;
    return 0;
}

uint32_t Z_GetLastError() { return lastErrorCode; }

int Z_GetLastSystemError() { return lastSystemError; }

const char* Z_GetLastErrorPrompt(char* buffer, int size) {
    if (buffer == nullptr) return lastErrorText.c_str();
    if (size <= 0) return buffer;
    std::snprintf(buffer, static_cast<size_t>(size), "%s", lastErrorText.c_str());
    return buffer;
}

void Z_SetLastErrorText(uint32_t code, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    SetLastErrorV(code, format ? format : "", arguments);
    va_end(arguments);
}
