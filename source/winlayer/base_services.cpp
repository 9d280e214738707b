// The base services the service module needs: last error, system message
// texts, the running program's path and a pause.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "toolkit_error.h"
#include "windows_api.h"
#include "zelkit.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct SystemMessage {
    DWORD code;
    const char* text;
};

// The texts Windows gives for the codes this layer sets, with Windows's
// line end.
constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_WRITE_PROTECT, "The media is write protected.\r\n"},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device.\r\n"},
    {ERROR_READ_FAULT, "The system cannot read from the specified device.\r\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long.\r\n"},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
    {ERROR_SERVICE_REQUEST_TIMEOUT,
     "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service.\r\n"},
    {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "The service cannot accept control messages at this time.\r\n"},
    {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
    {ERROR_DATABASE_DOES_NOT_EXIST, "The database specified does not exist.\r\n"},
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n"},
    {ERROR_SERVICE_EXISTS, "The specified service already exists.\r\n"},
    {ERROR_DUPLICATE_SERVICE_NAME,
     "The name is already in use as either a service name or a service display name.\r\n"},
};

const char* FindSystemMessage(DWORD code) {
    for (const SystemMessage& message : kSystemMessages) {
        if (message.code == code) return message.text;
    }
    return nullptr;
}

}  // namespace

DWORD WindowsErrorOfToolkit(DWORD fallback) {
    switch (Z_GetLastSystemError()) {
        case 0: break;
        case ENOENT:
        case ENOTDIR: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM: return ERROR_ACCESS_DENIED;
        case EROFS: return ERROR_WRITE_PROTECT;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        default: return fallback;
    }
    switch (Z_GetLastError()) {
        case Z_ERROR_NOT_FOUND: return ERROR_FILE_NOT_FOUND;
        case Z_ERROR_NO_SPACE: return ERROR_DISK_FULL;
        case Z_ERROR_NO_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
        // A link or a file another account may change: refused as Windows
        // refuses what the caller may not touch.
        case Z_ERROR_UNSAFE_LINK:
        case Z_ERROR_NOT_OWN: return ERROR_ACCESS_DENIED;
        default: return fallback;
    }
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/, LPSTR buffer, DWORD size,
                     va_list* /*arguments*/) {
    if (Z_FaultPoint("FormatMessageA")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* text = FindSystemMessage(messageId);
    if (!text) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    // No arguments are ever passed: a message with insert marks needs
    // FORMAT_MESSAGE_IGNORE_INSERTS, as Wine refuses it otherwise.
    if (std::strchr(text, '%') && !(flags & FORMAT_MESSAGE_IGNORE_INSERTS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* block = static_cast<char*>(std::malloc(length + 1));
        if (!block) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(block, text, length + 1);
        *reinterpret_cast<char**>(buffer) = block;
        return length;
    }
    if (size < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text, length + 1);
    return length;
}

HLOCAL LocalFree(HLOCAL block) {
    if (Z_FaultPoint("LocalFree")) {
        SetLastError(ERROR_INVALID_HANDLE);
        return block;
    }
    std::free(block);
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (Z_FaultPoint("GetModuleFileNameA")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (module || !buffer || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::error_code error;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error || path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    // Windows cuts a path that does not fit, ends it and says so.
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

void Sleep(DWORD milliseconds) {
    // ZEL_SLEEP_SCALE multiplies every pause (0 skips them), so that tests
    // of polling loops need not wait.
    double scale = 1.0;
    if (const char* text = std::getenv("ZEL_SLEEP_SCALE"); text && *text) {
        char* end = nullptr;
        double value = std::strtod(text, &end);
        if (end != text && value >= 0.0) scale = value;
    }
    const auto pause = std::chrono::duration<double, std::milli>(milliseconds * scale);
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
}
