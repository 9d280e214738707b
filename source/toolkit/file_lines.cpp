// Line and byte transfer on open files, shared by the file operations and
// the profile readers.
#include <cerrno>
#include <cstring>

#include "file_journal.h"
#include "file_object.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace zel::toolkit {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

int64_t CurrentPosition(ZFileObject* file) {
    if (!file->positionKnown) {
        file->position = PlatformTell(file->stream);
        file->positionKnown = file->position >= 0;
    }
    return file->position;
}

void MovedTo(ZFileObject* file, int64_t position) {
    file->position = position;
    file->positionKnown = true;
}

void Advanced(ZFileObject* file, size_t count) { file->position += static_cast<int64_t>(count); }

void PositionLost(ZFileObject* file) { file->positionKnown = false; }

void TakeOffLineMarks(std::string& line, bool startsFile) {
    if (startsFile && line.compare(0, 3, kByteOrderMark) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

namespace {

bool PrepareRead(ZFileObject* file, const char* operation) {
    if (file->lastUse == ZFileObject::LastUse::Write && std::fflush(file->stream) != 0) {
        MarkFailed(file);
        FailErrno(operation, "write", file->path.c_str(), errno);
        return false;
    }
    file->lastUse = ZFileObject::LastUse::Read;
    return true;
}

bool PrepareWrite(ZFileObject* file, const char* operation) {
    if (!SettlePushBack(file, operation)) return false;
    if (file->lastUse == ZFileObject::LastUse::Read && PlatformSeek(file->stream, 0, SEEK_CUR) != 0) {
        MarkFailed(file);
        FailErrno(operation, "position in", file->path.c_str(), errno);
        return false;
    }
    file->lastUse = ZFileObject::LastUse::Write;
    return true;
}

}  // namespace

void MarkFailed(ZFileObject* file) {
    if (file != nullptr) file->error = true;
}

bool SettlePushBack(ZFileObject* file, const char* operation) {
    if (!file->hasPushBack) return true;
    file->hasPushBack = false;
    if (PlatformSeek(file->stream, file->pushBackOffset, SEEK_SET) != 0) {
        MarkFailed(file);
        PositionLost(file);
        FailErrno(operation, "position in", file->path.c_str(), errno);
        return false;
    }
    MovedTo(file, file->pushBackOffset);
    file->lastUse = ZFileObject::LastUse::None;
    return true;
}

bool Rewind(ZFileObject* file, const char* operation) {
    file->hasPushBack = false;
    file->lastUse = ZFileObject::LastUse::None;
    if (PlatformSeek(file->stream, 0, SEEK_SET) != 0) {
        MarkFailed(file);
        PositionLost(file);
        FailErrno(operation, "rewind", file->path.c_str(), errno);
        return false;
    }
    MovedTo(file, 0);
    return true;
}

void PushBackLine(ZFileObject* file, const std::string& line, int64_t offset) {
    file->hasPushBack = true;
    file->pushBack = line;
    file->pushBackOffset = offset;
}

LineResult ReadLine(ZFileObject* file, std::string& line, size_t maxLength, const char* operation, int64_t* offset) {
    if (file->hasPushBack) {
        file->hasPushBack = false;
        line = file->pushBack;
        if (offset != nullptr) *offset = file->pushBackOffset;
        if (line.size() > maxLength) {
            MarkFailed(file);
            Fail(Z_ERROR_TOO_LONG, "%s: a line of %s is longer than %zu characters", operation, file->path.c_str(),
                 maxLength);
            return LineResult::Error;
        }
        return LineResult::Line;
    }
    if (!PrepareRead(file, operation)) return LineResult::Error;
    const int64_t start = CurrentPosition(file);
    if (offset != nullptr) *offset = start;
    line.clear();
    // Room for a byte order mark and a carriage return beyond the longest
    // line that fits, so that neither makes a fitting line look too long.
    const size_t readLimit = maxLength + 4;
    size_t consumed = 0;
    int c;
    while ((c = std::getc(file->stream)) != EOF) {
        ++consumed;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
        if (line.size() > readLimit) break;
    }
    Advanced(file, consumed);
    const bool sawAny = consumed > 0;
    if (c == EOF && std::ferror(file->stream)) {
        MarkFailed(file);
        PositionLost(file);
        FailErrno(operation, "read", file->path.c_str(), errno);
        return LineResult::Error;
    }
    if (!sawAny) {
        // End of the file: clear the stream's end flag so that a write after
        // a search that ran to the end still works.
        std::clearerr(file->stream);
        return LineResult::End;
    }
    // A line cut at the read limit is too long whatever comes off it.
    TakeOffLineMarks(line, start == 0);
    if (line.size() > maxLength) {
        MarkFailed(file);
        Fail(Z_ERROR_TOO_LONG, "%s: a line of %s is longer than %zu characters", operation, file->path.c_str(),
             maxLength);
        return LineResult::Error;
    }
    if (c == EOF) std::clearerr(file->stream);
    return LineResult::Line;
}

bool WriteBytes(ZFileObject* file, const char* bytes, size_t count, const char* operation) {
    if (!PrepareWrite(file, operation)) return false;
    if (!file->journalKey.empty() &&
        !JournalBeforeWrite(operation, file->journalKey, CurrentPosition(file), static_cast<int64_t>(count))) {
        MarkFailed(file);
        return false;
    }
    if (count > 0 && std::fwrite(bytes, 1, count, file->stream) != count) {
        MarkFailed(file);
        PositionLost(file);
        FailErrno(operation, "write", file->path.c_str(), errno);
        return false;
    }
    Advanced(file, count);
    return true;
}

bool WriteLine(ZFileObject* file, const std::string& text, const char* operation) {
    std::string line = text + Z_LINE_END;
    return WriteBytes(file, line.data(), line.size(), operation);
}

}  // namespace zel::toolkit
