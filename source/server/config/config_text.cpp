#include "config_text.h"

#include "config_paths.h"
#include "config_size.h"
#include "first_failure.h"
#include "zelkit.h"

bool ReadConfigText(const char* path, std::string* text) {
    uint64_t size = 0;
    if (!Z_GetFileSize(path, &size)) return false;
    if (size > kLargestConfigFile) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "%s is larger than %llu bytes", path,
                           static_cast<unsigned long long>(kLargestConfigFile));
        return false;
    }
    HZFILE file = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return false;
    text->assign(static_cast<size_t>(size), '\0');
    const bool read =
        size == 0 || Z_ReadFile(file, &(*text)[0], static_cast<int64_t>(size), 1) == static_cast<int64_t>(size);
    CloseReadFile(file);
    return read;
}

void CloseReadFile(HZFILE file) {
    FirstFailure failure;
    failure.Note();
    Z_CloseFile(file);
    failure.Restore();
}

bool ReplaceConfigText(const char* installedPath, const std::string& text) {
    // The work name, installedPath ".NEW", must fit the path buffers too.
    char newPath[Z_MAX_PATH];
    if (!JoinConfigPath(newPath, installedPath, ".NEW")) return false;
    return Z_WriteWholeFile(installedPath, text.data(), static_cast<int64_t>(text.size()), 0) != 0;
}

std::string TrimmedText(const std::string& text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    size_t first = 0;
    while (first < text.size() && blank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}
