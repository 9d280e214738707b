#include "dict_file_rewrite.h"

#include <cstdio>
#include <cstring>
#include <vector>

DictFileRewrite::~DictFileRewrite() {
    if (file_ != nullptr) Z_CloseFile(file_);
    if (temporary_[0] != '\0' && !committed_) {
        // Keep the error that made the rewrite fail, not the one of the clean-up.
        uint32_t code = Z_GetLastError();
        char text[Z_MAX_LINE];
        Z_GetLastErrorPrompt(text, sizeof text);
        // One the system cannot tell about is tried all the same.
        if (Z_NameExists(temporary_) != 0) Z_DeleteFile(temporary_);
        Z_CaptureError(code, text, "..\\..\\source\\server\\dictionary", __LINE__);
    }
}

bool DictFileRewrite::Begin(const char* path) {
    int length = std::snprintf(temporary_, sizeof temporary_, "%s.NEW", path);
    if (length < 0 || length >= static_cast<int>(sizeof temporary_)) {
        temporary_[0] = '\0';
        Z_CaptureError(Z_ERROR_TOO_LONG, "The dictionary file path is too long", "..\\..\\source\\server\\dictionary",
                       __LINE__);
        return false;
    }
    std::snprintf(target_, sizeof target_, "%s", path);
    file_ = Z_CreateFile(temporary_, Z_MODE_READ_WRITE, 0, nullptr, 0);
    return file_ != nullptr;
}

bool DictFileRewrite::Write(const void* data, uint64_t size) {
    if (size == 0) return true;
    return Z_WriteFile(file_, data, static_cast<int64_t>(size), 1) == static_cast<int64_t>(size);
}

bool DictFileRewrite::CopyRest(HZFILE source) {
    std::vector<uint8_t> chunk(64 * 1024);
    for (;;) {
        int64_t count = Z_ReadFile(source, chunk.data(), static_cast<int64_t>(chunk.size()), 0);
        if (count == 0) return !Z_FileError(source);
        if (!Write(chunk.data(), static_cast<uint64_t>(count))) return false;
    }
}

bool DictFileRewrite::Commit() {
    HZFILE file = file_;
    file_ = nullptr;
    if (!Z_CloseFile(file)) return false;
    if (!Z_ReplaceFile(temporary_, target_)) return false;
    committed_ = true;
    return true;
}
