#include "config_text.h"

#include "config_paths.h"
#include "config_replace.h"
#include "zelkit.h"

namespace {

constexpr uint64_t MAX_CONFIG_TEXT_SIZE = 16u * 1024u * 1024u;

}  // namespace

bool ReadConfigText(const char* path, std::string* text) {
    uint64_t size = 0;
    if (!Z_GetFileSize(path, &size)) return false;
    if (size > MAX_CONFIG_TEXT_SIZE) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "%s is larger than %llu bytes", path,
                           static_cast<unsigned long long>(MAX_CONFIG_TEXT_SIZE));
        return false;
    }
    HZFILE file = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return false;
    text->assign(static_cast<size_t>(size), '\0');
    const bool read =
        size == 0 || Z_ReadFile(file, &(*text)[0], static_cast<int64_t>(size), 1) == static_cast<int64_t>(size);
    Z_CloseFile(file);
    return read;
}

bool ReplaceConfigText(const char* installedPath, const std::string& text) {
    char newPath[Z_MAX_PATH];
    if (!JoinConfigPath(newPath, installedPath, ".NEW")) return false;
    HZFILE newFile = Z_CreateFile(newPath, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (newFile == nullptr) return false;
    const int64_t size = static_cast<int64_t>(text.size());
    bool written = size == 0 || Z_WriteFile(newFile, text.data(), size, 1) == size;
    // A failed close may have lost buffered bytes: the new file is then not
    // the whole text.
    if (!Z_CloseFile(newFile)) written = false;
    const bool replaced = written && ReplaceConfigFile(installedPath, newPath, nullptr);
    DiscardWorkFile(newPath);
    return replaced;
}
