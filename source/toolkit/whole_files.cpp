// Operations on whole files: copy, rename, replace, delete, size.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "file_journal.h"
#include "path_text.h"
#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace fs = std::filesystem;
using namespace zel::toolkit;

namespace {

// Copies the bytes of source into a temporary file beside target and moves
// it over target, so that a failed copy never leaves a half target.
int CopyOver(const char* operation, const std::string& source, const std::string& target) {
    std::FILE* in = std::fopen(source.c_str(), "rb");
    if (in == nullptr) return FailErrno(operation, "open", source.c_str(), errno);
    std::string temporary = target + ".zel-copy";
    if (!JournalBeforeChange(operation, temporary.c_str()) || !JournalBeforeChange(operation, target.c_str())) {
        std::fclose(in);
        return 0;
    }
    NoteBeforeWrite(temporary.c_str());
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        int saved = errno;
        std::fclose(in);
        return FailErrno(operation, "create", temporary.c_str(), saved);
    }
    char block[65536];
    bool failed = false;
    std::string failure;
    for (;;) {
        size_t count = std::fread(block, 1, sizeof block, in);
        if (count > 0 && std::fwrite(block, 1, count, out) != count) {
            failed = true;
            failure = std::string("cannot write ") + temporary + ": " + std::strerror(errno);
            break;
        }
        if (count < sizeof block) {
            if (std::ferror(in)) {
                failed = true;
                failure = std::string("cannot read ") + source + ": " + std::strerror(errno);
            }
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && !failed) {
        failed = true;
        failure = std::string("cannot write ") + temporary + ": " + std::strerror(errno);
    }
    if (failed) {
        std::remove(temporary.c_str());
        return Fail(Z_ERROR_IO, "%s: %s", operation, failure.c_str());
    }
    // Keep the source's permissions (a program copied under another name
    // must stay runnable), but never its read-only state: a package on a DVD
    // or a read-only share would otherwise leave copies that the next
    // upgrade cannot replace (on Windows the read-only attribute refuses
    // that). Failing to set them does not fail the copy.
    std::error_code permissionError;
    fs::file_status sourceStatus = fs::status(PathFromText(source), permissionError);
    if (!permissionError) {
        fs::permissions(PathFromText(temporary), sourceStatus.permissions() | fs::perms::owner_write, permissionError);
    }
    std::string reason;
    NoteFlushed(temporary.c_str());
    if (!PlatformReplaceFile(temporary.c_str(), target.c_str(), reason)) {
        std::remove(temporary.c_str());
        return Fail(Z_ERROR_IO, "%s: cannot replace %s: %s", operation, target.c_str(), reason.c_str());
    }
    NoteMoved(temporary.c_str(), target.c_str());
    // The replaced copy kept the bits of the file it replaced; a read-only
    // one among them goes all the same.
    fs::permissions(PathFromText(target), fs::perms::owner_write, fs::perm_options::add, permissionError);
    return 1;
}

bool MatchesFrom(const char* name, const char* pattern) {
    while (*pattern != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return true;
            for (const char* rest = name; *rest != '\0'; ++rest) {
                if (MatchesFrom(rest, pattern)) return true;
            }
            return false;
        }
        if (*name == '\0') return false;
        if (*pattern != '?' && FoldAscii(*pattern) != FoldAscii(*name)) return false;
        ++pattern;
        ++name;
    }
    return *name == '\0';
}

// Windows wildcards: * and ? in any case, and a pattern ending in ".*" also
// takes names without an extension ("z40*.*" matches "z40server").
bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    if (MatchesFrom(name.c_str(), pattern.c_str())) return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos) {
        return MatchesFrom(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str());
    }
    return false;
}

}  // namespace

int Z_CloneFile(const char* source, const char* target) {
    if (Z_FaultPoint("Z_CloneFile")) return 0;
    if (RejectEmptyPath("Z_CloneFile", source) || RejectEmptyPath("Z_CloneFile", target)) return 0;
    return CopyOver("Z_CloneFile", source, target);
}

int Z_DuplicateDir(const char* source, const char* target, ZCopyCallback callback, int /*flags*/) {
    if (Z_FaultPoint("Z_DuplicateDir")) return 0;
    if (RejectEmptyPath("Z_DuplicateDir", source) || RejectEmptyPath("Z_DuplicateDir", target)) return 0;
    const fs::path from = PathFromText(source);
    const fs::path to = PathFromText(target);
    std::error_code error;
    if (!fs::is_directory(from, error)) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DuplicateDir: %s is not a directory", source);
    }
    // The whole tree is listed before anything is copied, so that a name
    // the system code page cannot write (the callback receives each copy's
    // narrow path) stops the copy before it begins rather than halfway.
    struct Entry {
        bool directory;
        fs::path destination;
        std::string sourceText;
        std::string destinationText;
    };
    std::vector<Entry> entries;
    fs::recursive_directory_iterator walk(from, error);
    if (error) {
        return Fail(Z_ERROR_IO, "Z_DuplicateDir: cannot list %s: %s", source, error.message().c_str());
    }
    for (const fs::recursive_directory_iterator end; walk != end; walk.increment(error)) {
        if (error) break;
        Entry entry;
        entry.directory = walk->is_directory(error);
        if (!entry.directory && !walk->is_regular_file(error)) continue;
        entry.destination = to / walk->path().lexically_relative(from);
        if (!TextFromPath(walk->path(), entry.sourceText)) {
            return FailCodePage("Z_DuplicateDir", "the name of", entry.sourceText);
        }
        if (!TextFromPath(entry.destination, entry.destinationText)) {
            return FailCodePage("Z_DuplicateDir", "the name of", entry.destinationText);
        }
        entries.push_back(std::move(entry));
    }
    if (error) {
        return Fail(Z_ERROR_IO, "Z_DuplicateDir: cannot list %s: %s", source, error.message().c_str());
    }
    fs::create_directories(to, error);
    if (error) {
        return Fail(Z_ERROR_IO, "Z_DuplicateDir: cannot create %s: %s", target, error.message().c_str());
    }
    for (const Entry& entry : entries) {
        if (entry.directory) {
            fs::create_directories(entry.destination, error);
            if (error) {
                return Fail(Z_ERROR_IO, "Z_DuplicateDir: cannot create %s: %s", entry.destinationText.c_str(),
                            error.message().c_str());
            }
            continue;
        }
        if (!CopyOver("Z_DuplicateDir", entry.sourceText, entry.destinationText)) return 0;
        if (callback != nullptr) callback(entry.destinationText.c_str());
    }
    return 1;
}

int Z_RenameFile(const char* oldPath, const char* newPath) {
    if (Z_FaultPoint("Z_RenameFile")) return 0;
    if (RejectEmptyPath("Z_RenameFile", oldPath) || RejectEmptyPath("Z_RenameFile", newPath)) return 0;
    std::error_code error;
    // A rename must never destroy a file, as on Windows.
    if (fs::exists(fs::symlink_status(PathFromText(newPath), error))) {
        return Fail(Z_ERROR_EXISTS, "Z_RenameFile: cannot rename %s to %s: the new name exists", oldPath, newPath);
    }
    if (PlatformFileKind(oldPath) == FileKind::Missing) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_RenameFile: cannot rename %s to %s: No such file or directory", oldPath,
                    newPath);
    }
    if (!JournalBeforeChange("Z_RenameFile", oldPath) || !JournalBeforeChange("Z_RenameFile", newPath)) return 0;
    std::string reason;
    NoteFlushed(oldPath);
    if (!PlatformRenameFile(oldPath, newPath, reason)) {
        return Fail(Z_ERROR_IO, "Z_RenameFile: cannot rename %s to %s: %s", oldPath, newPath, reason.c_str());
    }
    NoteMoved(oldPath, newPath);
    return 1;
}

int Z_ReplaceFile(const char* source, const char* target) {
    if (Z_FaultPoint("Z_ReplaceFile")) return 0;
    if (RejectEmptyPath("Z_ReplaceFile", source) || RejectEmptyPath("Z_ReplaceFile", target)) return 0;
    std::error_code error;
    if (!fs::is_regular_file(PathFromText(source), error)) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_ReplaceFile: cannot move %s: no such file", source);
    }
    if (!JournalBeforeChange("Z_ReplaceFile", source) || !JournalBeforeChange("Z_ReplaceFile", target)) return 0;
    std::string reason;
    NoteFlushed(source);
    if (!PlatformReplaceFile(source, target, reason)) {
        return Fail(Z_ERROR_IO, "Z_ReplaceFile: cannot move %s over %s: %s", source, target, reason.c_str());
    }
    NoteMoved(source, target);
    return 1;
}

int Z_WriteWholeFile(const char* path, const void* data, int64_t size) {
    if (RejectEmptyPath("Z_WriteWholeFile", path)) return 0;
    if (size < 0 || (size > 0 && data == nullptr)) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_WriteWholeFile: bad content");
    const std::string work = std::string(path) + ".NEW";
    HZFILE file = Z_CreateFile(work.c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (file == nullptr) return 0;
    bool written = size == 0 || Z_WriteFile(file, data, size, 1) == size;
    // A failed close may have lost buffered bytes.
    written = Z_CloseFile(file) != 0 && written;
    if (written && Z_ReplaceFile(work.c_str(), path)) return 1;
    // Keep the error that stopped the write, not one of the clean-up.
    const uint32_t code = Z_GetLastError();
    const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    if (Z_IsValidFileName(work.c_str())) Z_DeleteFile(work.c_str());
    Z_SetLastErrorText(code, "%s", text.c_str());
    return 0;
}

int Z_DeleteFile(const char* path) {
    if (Z_FaultPoint("Z_DeleteFile")) return 0;
    if (RejectEmptyPath("Z_DeleteFile", path)) return 0;
    std::error_code error;
    fs::file_status status = fs::symlink_status(PathFromText(path), error);
    if (!fs::exists(status)) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DeleteFile: cannot delete %s: No such file or directory", path);
    }
    if (fs::is_directory(status)) {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFile: cannot delete %s: it is a directory", path);
    }
    if (!JournalBeforeChange("Z_DeleteFile", path)) return 0;
    std::string reason;
    if (!PlatformDeleteFile(path, reason)) {
        return Fail(Z_ERROR_IO, "Z_DeleteFile: cannot delete %s: %s", path, reason.c_str());
    }
    NoteDeleted(path);
    return 1;
}

int Z_DeleteFiles(const char* dir, const char* wildcard) {
    if (Z_FaultPoint("Z_DeleteFiles")) return 0;
    if (RejectEmptyPath("Z_DeleteFiles", dir)) return 0;
    if (wildcard == nullptr || wildcard[0] == '\0') {
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_DeleteFiles: no wildcard given");
    }
    std::error_code error;
    fs::directory_iterator list(PathFromText(dir), error);
    if (error) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_DeleteFiles: cannot list %s: %s", dir, error.message().c_str());
    }
    int result = 1;
    std::string firstFailure;
    for (const fs::directory_iterator end; list != end; list.increment(error)) {
        if (error) break;
        if (list->is_directory(error)) continue;
        // A character the code page cannot write shows as '?', which only
        // a wildcard matches, as in the system's own wildcard search.
        const std::string name = DisplayText(list->path().filename());
        if (!MatchesWildcard(name, wildcard)) continue;
        std::string path;
        std::string reason;
        if (!TextFromPath(list->path(), path)) reason = "its name cannot be written in the system code page";
        const bool removed = reason.empty() && JournalBeforeChange("Z_DeleteFiles", path.c_str()) &&
                             PlatformDeleteFile(path.c_str(), reason);
        if (removed) NoteDeleted(path.c_str());
        if (!removed && reason.empty()) reason = Z_GetLastErrorPrompt(nullptr, 0);
        // Go on with the other files; the first failure is the one reported.
        if (!removed && result == 1) {
            result = 0;
            firstFailure = DisplayText(list->path()) + ": " + reason;
        }
    }
    if (error) {
        return Fail(Z_ERROR_IO, "Z_DeleteFiles: cannot list %s: %s", dir, error.message().c_str());
    }
    if (result == 0) return Fail(Z_ERROR_IO, "Z_DeleteFiles: cannot delete %s", firstFailure.c_str());
    return 1;
}

int Z_GetFileSize(const char* path, uint64_t* size) {
    if (Z_FaultPoint("Z_GetFileSize")) return 0;
    if (RejectEmptyPath("Z_GetFileSize", path)) return 0;
    if (size == nullptr) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_GetFileSize: no size given");
    std::error_code error;
    uintmax_t bytes = fs::file_size(PathFromText(path), error);
    if (error) {
        return Fail(Z_ERROR_NOT_FOUND, "Z_GetFileSize: cannot read the size of %s: %s", path, error.message().c_str());
    }
    *size = static_cast<uint64_t>(bytes);
    return 1;
}
