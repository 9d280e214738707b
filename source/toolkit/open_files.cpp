// Open files: HZFILE handles over C streams in binary mode, so that line ends
// are written as given on every platform.
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "file_journal.h"
#include "file_object.h"
#include "own_file.h"
#include "path_text.h"
#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

HZFILE OpenStream(const char* operation, const char* path, StreamMode mode, LastName last, const char* action) {
    if (RejectEmptyPath(operation, path)) return nullptr;
    Problem problem;
    std::FILE* stream = PlatformOpenStream(path, mode, last, problem);
    if (stream == nullptr) {
        FailProblem(operation, action, path, problem);
        return nullptr;
    }
    ZFileObject* file = new (std::nothrow) ZFileObject;
    if (file == nullptr) {
        std::fclose(stream);
        Fail(Z_ERROR_NO_MEMORY, "%s: no memory to open %s", operation, path);
        return nullptr;
    }
    file->stream = stream;
    file->path = path;
    return file;
}

bool RejectNullFile(const char* operation, HZFILE file) {
    if (file != nullptr) return false;
    Fail(Z_ERROR_BAD_ARGUMENT, "%s: no open file given", operation);
    return true;
}

// An injected failure names the file and what was done to it, as a real
// failure's text does.
bool InjectedAt(const char* operation, const char* action, const char* path) {
    if (!Z_FaultPoint(operation)) return false;
    Z_SetLastErrorText(Z_ERROR_INJECTED, "%s: cannot %s %s: injected failure (ZEL_FAULT)", operation, action,
                       path != nullptr ? path : "(null)");
    return true;
}

// An injected failure on an open file leaves it failed, as a real one would.
// The log is no operation of the run and is never failed on purpose.
bool InjectedOn(const char* operation, const char* action, HZFILE file) {
    if (file->log || !InjectedAt(operation, action, file->path.c_str())) return false;
    MarkFailed(file);
    return true;
}

// A record is obeyed only when it is the program's own: asked of the file
// open here, so that nothing swapped in under its name since can pass.
bool OwnRecord(const char* operation, HZFILE file) {
    Ownership ownership;
    Problem problem;
    if (PlatformStreamOwnership(file->stream, ownership, problem) && OwnFile(ownership, problem)) return true;
    FailProblem(operation, "trust", file->path.c_str(), problem);
    std::fclose(file->stream);
    delete file;
    return false;
}

}  // namespace

HZFILE Z_OpenFile(const char* path, int mode, int /*share*/, void* /*security*/, uint32_t flags) {
    if (InjectedAt("Z_OpenFile", "open", path)) return nullptr;
    const LastName last = (flags & (Z_NO_LINK | Z_OWN_FILE)) != 0 ? LastName::Itself : LastName::Follow;
    // Opened for writing, the file may change in place.
    if (mode != Z_MODE_READ) {
        if (!JournalBeforeChange("Z_OpenFile", path, JournalChange::InPlace, last)) return nullptr;
        if (RejectEmptyPath("Z_OpenFile", path) || !SeparateHardLinks("Z_OpenFile", path, last)) return nullptr;
        NoteBeforeWrite(path);
    }
    HZFILE file =
        OpenStream("Z_OpenFile", path, mode == Z_MODE_READ ? StreamMode::Read : StreamMode::Update, last, "open");
    if (file != nullptr && (flags & Z_OWN_FILE) != 0 && !OwnRecord("Z_OpenFile", file)) return nullptr;
    // Its writes are recorded page by page while the journal records it.
    if (file != nullptr && mode != Z_MODE_READ) file->journalKey = JournalPagesKey(path);
    return file;
}

// Every file made here is a work file, or a file that must be new: whatever
// held its name goes first, and the file is made where no link can lead.
// A record (Z_OWN_FILE) is made private.
HZFILE Z_CreateFile(const char* path, int /*mode*/, int /*share*/, void* /*security*/, uint32_t flags) {
    if (InjectedAt("Z_CreateFile", "create", path)) return nullptr;
    if (!JournalBeforeChange("Z_CreateFile", path, JournalChange::Make, LastName::Itself)) return nullptr;
    NoteBeforeWrite(path);
    const StreamMode mode = (flags & Z_OWN_FILE) != 0 ? StreamMode::CreatePrivate : StreamMode::CreateNew;
    return OpenStream("Z_CreateFile", path, mode, LastName::Itself, "create");
}

HZFILE Z_CreateLogFile(const char* path) {
    HZFILE file = OpenStream("Z_CreateLogFile", path, StreamMode::CreateOnly, LastName::Itself, "create");
    if (file == nullptr) return nullptr;
    file->log = true;
    // Unbuffered: what a killed run wrote is in the file.
    std::setvbuf(file->stream, nullptr, _IONBF, 0);
    return file;
}

int Z_CloseFile(HZFILE file) {
    if (RejectNullFile("Z_CloseFile", file)) return 0;
    // The handle is released whatever happens: a caller cannot close twice.
    std::string path = file->path;
    bool injected = !file->log && InjectedAt("Z_CloseFile", "close", path.c_str());
    // The log reaches the disk; a failure to get it there is no failure of
    // the close.
    if (file->log) PlatformFlushStream(file->stream);
    int closed = std::fclose(file->stream);
    int saved = errno;
    delete file;
    if (injected) return 0;
    if (closed != 0) return FailErrno("Z_CloseFile", "close", path.c_str(), saved);
    return 1;
}

int Z_SeekFile(HZFILE file, int64_t offset) {
    if (RejectNullFile("Z_SeekFile", file)) return 0;
    if (InjectedOn("Z_SeekFile", "move in", file)) return 0;
    file->hasPushBack = false;
    if (offset < 0 || PlatformSeek(file->stream, offset, SEEK_SET) != 0) {
        PositionLost(file);
        return Fail(Z_ERROR_IO, "Z_SeekFile: cannot move to %lld in %s", static_cast<long long>(offset),
                    file->path.c_str());
    }
    MovedTo(file, offset);
    file->lastUse = ZFileObject::LastUse::None;
    return 1;
}

int Z_SeekFileEnd(HZFILE file) {
    if (RejectNullFile("Z_SeekFileEnd", file)) return 0;
    if (InjectedOn("Z_SeekFileEnd", "move to the end of", file)) return 0;
    file->hasPushBack = false;
    PositionLost(file);
    if (PlatformSeek(file->stream, 0, SEEK_END) != 0) {
        return FailErrno("Z_SeekFileEnd", "move to the end of", file->path.c_str(), errno);
    }
    file->lastUse = ZFileObject::LastUse::None;
    return 1;
}

const char* Z_GetFileName(HZFILE file) { return file ? file->path.c_str() : nullptr; }

int64_t Z_ReadFile(HZFILE file, void* buffer, int64_t size, int exact) {
    if (RejectNullFile("Z_ReadFile", file)) return 0;
    if (InjectedOn("Z_ReadFile", "read", file)) return 0;
    if (buffer == nullptr || size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadFile: bad buffer");
    if (!SettlePushBack(file, "Z_ReadFile")) return 0;
    if (file->lastUse == ZFileObject::LastUse::Write && std::fflush(file->stream) != 0) {
        MarkFailed(file);
        return FailErrno("Z_ReadFile", "write", file->path.c_str(), errno);
    }
    file->lastUse = ZFileObject::LastUse::Read;
    const int64_t at = file->journalKey.empty() ? 0 : CurrentPosition(file);
    size_t count = std::fread(buffer, 1, static_cast<size_t>(size), file->stream);
    if (std::ferror(file->stream)) {
        MarkFailed(file);
        PositionLost(file);
        return FailErrno("Z_ReadFile", "read", file->path.c_str(), errno);
    }
    Advanced(file, count);
    JournalAfterRead(file->journalKey, at, buffer, count);
    std::clearerr(file->stream);
    if (exact != 0 && static_cast<int64_t>(count) != size) {
        MarkFailed(file);
        return Fail(Z_ERROR_IO, "Z_ReadFile: %s ended after %zu of %lld bytes", file->path.c_str(), count,
                    static_cast<long long>(size));
    }
    return static_cast<int64_t>(count);
}

int64_t Z_WriteFile(HZFILE file, const void* buffer, int64_t size, int /*exact*/) {
    if (RejectNullFile("Z_WriteFile", file)) return 0;
    if (InjectedOn("Z_WriteFile", "write", file)) return 0;
    if (buffer == nullptr || size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_WriteFile: bad buffer");
    // A short write is always an error: the caller's bytes must all land.
    if (!WriteBytes(file, static_cast<const char*>(buffer), static_cast<size_t>(size), "Z_WriteFile")) return 0;
    return size;
}

int Z_TruncateFile(HZFILE file, int64_t size) {
    if (RejectNullFile("Z_TruncateFile", file)) return 0;
    if (InjectedOn("Z_TruncateFile", "cut", file)) return 0;
    if (size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_TruncateFile: bad size");
    file->hasPushBack = false;
    if (!JournalBeforeTruncate("Z_TruncateFile", file->journalKey, size)) {
        MarkFailed(file);
        return 0;
    }
    // A seek sends buffered bytes down and drops read-ahead, so the cut
    // applies to what the file holds and nothing stale is read after it.
    Problem problem;
    if (PlatformSeek(file->stream, 0, SEEK_CUR) != 0 || !PlatformTruncateStream(file->stream, size, problem) ||
        PlatformSeek(file->stream, size, SEEK_SET) != 0) {
        MarkFailed(file);
        PositionLost(file);
        if (problem.text.empty()) problem.text = std::strerror(errno);
        return Fail(Z_ERROR_IO, "Z_TruncateFile: cannot cut %s to %lld bytes: %s", file->path.c_str(),
                    static_cast<long long>(size), problem.text.c_str());
    }
    MovedTo(file, size);
    file->lastUse = ZFileObject::LastUse::None;
    return 1;
}

int Z_ReadFileLine(HZFILE file, char* buffer, int size, void* /*reserved*/) {
    if (RejectNullFile("Z_ReadFileLine", file)) return 0;
    if (InjectedOn("Z_ReadFileLine", "read a line of", file)) return 0;
    if (buffer == nullptr || size <= 0) {
        MarkFailed(file);
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadFileLine: no buffer given");
    }
    std::string line;
    LineResult result = ReadLine(file, line, static_cast<size_t>(size) - 1, "Z_ReadFileLine");
    if (result != LineResult::Line) {
        // The end of the file leaves the last error alone; an error has set it.
        return 0;
    }
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    return 1;
}

int Z_WriteFileLineEx(HZFILE file, const char* text, int lineEnd) {
    if (RejectNullFile("Z_WriteFileLineEx", file)) return 0;
    if (InjectedOn("Z_WriteFileLineEx", "write a line to", file)) return 0;
    if (text == nullptr) {
        MarkFailed(file);
        return Fail(Z_ERROR_BAD_ARGUMENT, "Z_WriteFileLineEx: no text given");
    }
    std::string line = text;
    if (lineEnd != 0) line += Z_LINE_END;
    return WriteBytes(file, line.data(), line.size(), "Z_WriteFileLineEx") ? 1 : 0;
}

int Z_FileError(HZFILE file) {
    if (file == nullptr) return 1;
    // Buffered bytes may still fail to reach the disk: ask now, so that a
    // caller who checks before closing never mistakes a short file for a
    // complete one.
    if (!file->error && file->lastUse == ZFileObject::LastUse::Write && std::fflush(file->stream) != 0) {
        MarkFailed(file);
        FailErrno("Z_FileError", "write", file->path.c_str(), errno);
    }
    return file->error ? 1 : 0;
}
