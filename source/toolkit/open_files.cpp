// Open files: HZFILE handles over the table's open files, read ahead and
// written behind (buffered_file.h); bytes go as given, line ends included,
// on every platform.
#include <cstring>
#include <new>
#include <string>

#include "durable_files.h"
#include "env.h"
#include "fault_table.h"
#include "file_object.h"
#include "path_text.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

HZFILE Wrap(const char* operation, const char* path, Result<std::unique_ptr<File>> opened, const char* action,
            BufferedFile::Use use) {
    if (!opened.ok()) {
        FailStatus(operation, action, path, opened.status());
        return nullptr;
    }
    ZFileObject* file = new (std::nothrow) ZFileObject;
    if (file == nullptr) {
        (void)(*opened)->Close();
        Fail(Z_ERROR_NO_MEMORY, "%s: no memory to open %s", operation, path);
        return nullptr;
    }
    file->data = std::make_unique<BufferedFile>(opened.TakeValue(), use);
    file->path = path;
    file->log = use == BufferedFile::Use::WriteThrough;
    return file;
}

bool RejectNullFile(const char* operation, HZFILE file) {
    if (file != nullptr) return false;
    Fail(Z_ERROR_BAD_ARGUMENT, "%s: no open file given", operation);
    return true;
}

// An injected failure names the file and what was done to it, as a real
// failure's text does.
bool InjectedAt(const EntryPoint& call, const char* operation, const char* action, const char* path) {
    if (!call.Failed()) return false;
    Z_SetLastErrorText(Z_ERROR_INJECTED, "%s: cannot %s %s: injected failure (ZEL_FAULT)", operation, action,
                       path != nullptr ? path : "(null)");
    return true;
}

// An injected failure on an open file leaves it failed, as a real one would.
// The log is no operation of the run and is never failed on purpose (its
// calls are no points).
bool InjectedOn(const EntryPoint& call, const char* operation, const char* action, HZFILE file) {
    if (!InjectedAt(call, operation, action, file->path.c_str())) return false;
    MarkFailed(file);
    return true;
}

bool FailedOn(HZFILE file, const char* operation, const char* action, const Status& status) {
    MarkFailed(file);
    return FailStatus(operation, action, file->path, status);
}

// A record is obeyed only when it is the program's own: asked of the file
// open here, so that nothing swapped in under its name since can pass.
Status OwnRecord(File& file) {
    Result<Ownership> ownership = file.Owner();
    if (!ownership.ok()) return ownership.TakeStatus();
    return OwnStatus(*ownership);
}

}  // namespace

HZFILE Z_OpenFile(const char* path, int mode, int /*share*/, void* /*security*/, uint32_t flags) {
    const EntryPoint call("Z_OpenFile");
    if (InjectedAt(call, "Z_OpenFile", "open", path)) return nullptr;
    if (RejectEmptyPath("Z_OpenFile", path)) return nullptr;
    const Last last = (flags & (Z_NO_LINK | Z_OWN_FILE)) != 0 ? Last::Itself : Last::Follow;
    OpenOptions options{mode == Z_MODE_READ ? OpenMode::Read : OpenMode::Update, last};
    // Opened for writing, the file changes in place: under this name alone.
    options.ownBytes = mode != Z_MODE_READ;
    Result<std::unique_ptr<File>> opened = Files().Open(path, options);
    if (opened.ok() && (flags & Z_OWN_FILE) != 0) {
        if (Status own = OwnRecord(**opened); !own.ok()) {
            (void)(*opened)->Close();
            FailStatus("Z_OpenFile", "trust", path, own);
            return nullptr;
        }
    }
    return Wrap("Z_OpenFile", path, std::move(opened), "open",
                mode == Z_MODE_READ ? BufferedFile::Use::Read : BufferedFile::Use::Write);
}

// Every file made here is a work file, or a file that must be new: whatever
// held its name goes first, and the file is made where no link can lead.
// A record (Z_OWN_FILE) is made private.
HZFILE Z_CreateFile(const char* path, int /*mode*/, int /*share*/, void* /*security*/, uint32_t flags) {
    const EntryPoint call("Z_CreateFile");
    if (InjectedAt(call, "Z_CreateFile", "create", path)) return nullptr;
    if (RejectEmptyPath("Z_CreateFile", path)) return nullptr;
    const bool record = (flags & Z_OWN_FILE) != 0;
    return Wrap("Z_CreateFile", path, CreateNew(Files(), path, record), "create", BufferedFile::Use::Write);
}

HZFILE Z_CreateLogFile(const char* path) {
    if (RejectEmptyPath("Z_CreateLogFile", path)) return nullptr;
    // The log is private: it may name what only its owner may read.
    OpenOptions options{OpenMode::CreateOnly, Last::Itself, true};
    options.bookkeeping = true;
    // Written through: what a killed run wrote is in the file.
    return Wrap("Z_CreateLogFile", path, Files().Open(path, options), "create", BufferedFile::Use::WriteThrough);
}

int Z_CloseFile(HZFILE file) {
    if (RejectNullFile("Z_CloseFile", file)) return 0;
    // The handle is released whatever happens: a caller cannot close twice.
    const std::string path = file->path;
    const EntryPoint call("Z_CloseFile", !file->log);
    const bool injected = InjectedAt(call, "Z_CloseFile", "close", path.c_str());
    Status closed = file->data->Close();
    delete file;
    if (injected) return 0;
    if (!closed.ok()) return FailStatus("Z_CloseFile", "close", path, closed);
    return 1;
}

int Z_SeekFile(HZFILE file, int64_t offset) {
    if (RejectNullFile("Z_SeekFile", file)) return 0;
    const EntryPoint call("Z_SeekFile", !file->log);
    if (InjectedOn(call, "Z_SeekFile", "move in", file)) return 0;
    file->hasPushBack = false;
    if (offset < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_SeekFile: cannot move to %lld", static_cast<long long>(offset));
    Status moved = file->data->Seek(static_cast<uint64_t>(offset));
    return moved.ok() ? 1 : FailedOn(file, "Z_SeekFile", "move in", moved);
}

int Z_SeekFileEnd(HZFILE file) {
    if (RejectNullFile("Z_SeekFileEnd", file)) return 0;
    const EntryPoint call("Z_SeekFileEnd", !file->log);
    if (InjectedOn(call, "Z_SeekFileEnd", "move to the end of", file)) return 0;
    file->hasPushBack = false;
    Status moved = file->data->SeekEnd();
    return moved.ok() ? 1 : FailedOn(file, "Z_SeekFileEnd", "move to the end of", moved);
}

const char* Z_GetFileName(HZFILE file) { return file ? file->path.c_str() : nullptr; }

int64_t Z_ReadFile(HZFILE file, void* buffer, int64_t size, int exact) {
    if (RejectNullFile("Z_ReadFile", file)) return 0;
    const EntryPoint call("Z_ReadFile", !file->log);
    if (InjectedOn(call, "Z_ReadFile", "read", file)) return 0;
    if (buffer == nullptr || size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_ReadFile: bad buffer");
    if (!SettlePushBack(file, "Z_ReadFile")) return 0;
    Result<size_t> count = file->data->Read(buffer, static_cast<size_t>(size));
    if (!count.ok()) return FailedOn(file, "Z_ReadFile", "read", count.status());
    if (exact != 0 && static_cast<int64_t>(*count) != size) {
        MarkFailed(file);
        return Fail(Z_ERROR_IO, "Z_ReadFile: %s ended after %zu of %lld bytes", file->path.c_str(), *count,
                    static_cast<long long>(size));
    }
    return static_cast<int64_t>(*count);
}

int64_t Z_WriteFile(HZFILE file, const void* buffer, int64_t size, int /*exact*/) {
    if (RejectNullFile("Z_WriteFile", file)) return 0;
    const EntryPoint call("Z_WriteFile", !file->log);
    if (InjectedOn(call, "Z_WriteFile", "write", file)) return 0;
    if (buffer == nullptr || size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_WriteFile: bad buffer");
    // A short write is always an error: the caller's bytes must all land.
    if (!WriteBytes(file, static_cast<const char*>(buffer), static_cast<size_t>(size), "Z_WriteFile")) return 0;
    return size;
}

int Z_TruncateFile(HZFILE file, int64_t size) {
    if (RejectNullFile("Z_TruncateFile", file)) return 0;
    const EntryPoint call("Z_TruncateFile", !file->log);
    if (InjectedOn(call, "Z_TruncateFile", "cut", file)) return 0;
    if (size < 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_TruncateFile: bad size");
    file->hasPushBack = false;
    Status cut = file->data->Truncate(static_cast<uint64_t>(size));
    if (cut.ok()) return 1;
    MarkFailed(file);
    return FailStatus("Z_TruncateFile", "cut", file->path + " to " + std::to_string(size) + " bytes", cut);
}

int Z_ReadFileLine(HZFILE file, char* buffer, int size, void* /*reserved*/) {
    if (RejectNullFile("Z_ReadFileLine", file)) return 0;
    const EntryPoint call("Z_ReadFileLine", !file->log);
    if (InjectedOn(call, "Z_ReadFileLine", "read a line of", file)) return 0;
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
    const EntryPoint call("Z_WriteFileLineEx", !file->log);
    if (InjectedOn(call, "Z_WriteFileLineEx", "write a line to", file)) return 0;
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
    // Bytes written behind may still fail to reach the system: send them
    // now, so that a caller who checks before closing never mistakes a
    // short file for a complete one.
    if (!file->error) {
        Status drained = file->data->Drain();
        if (!drained.ok()) FailedOn(file, "Z_FileError", "write", drained);
    }
    return file->error ? 1 : 0;
}
