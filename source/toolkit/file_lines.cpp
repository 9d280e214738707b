// Line and byte transfer on open files, shared by the file operations and
// the profile readers.
#include <cstring>

#include "file_object.h"
#include "toolkit_internal.h"

namespace zel::toolkit {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// A failed transfer leaves the file failed, and says why.
bool Failed(ZFileObject* file, const char* operation, const char* action, const Status& status) {
    MarkFailed(file);
    FailStatus(operation, action, file->path, status);
    return false;
}

}  // namespace

int64_t CurrentPosition(ZFileObject* file) { return static_cast<int64_t>(file->data->Position()); }

void TakeOffLineMarks(std::string& line, bool startsFile) {
    if (startsFile && line.compare(0, 3, kByteOrderMark) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

void MarkFailed(ZFileObject* file) {
    if (file != nullptr) file->error = true;
}

bool SettlePushBack(ZFileObject* file, const char* operation) {
    if (!file->hasPushBack) return true;
    file->hasPushBack = false;
    Status moved = file->data->Seek(static_cast<uint64_t>(file->pushBackOffset));
    return moved.ok() || Failed(file, operation, "position in", moved);
}

bool Rewind(ZFileObject* file, const char* operation) {
    file->hasPushBack = false;
    Status moved = file->data->Seek(0);
    return moved.ok() || Failed(file, operation, "rewind", moved);
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
    const int64_t start = CurrentPosition(file);
    if (offset != nullptr) *offset = start;
    line.clear();
    // Room for a byte order mark and a carriage return beyond the longest
    // line that fits, so that neither makes a fitting line look too long.
    const size_t readLimit = maxLength + 4;
    size_t consumed = 0;
    Status status;
    int c;
    while ((c = file->data->NextByte(status)) >= 0) {
        ++consumed;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
        if (line.size() > readLimit) break;
    }
    if (!status.ok()) {
        Failed(file, operation, "read", status);
        return LineResult::Error;
    }
    if (consumed == 0) return LineResult::End;
    // A line cut at the read limit is too long whatever comes off it.
    TakeOffLineMarks(line, start == 0);
    if (line.size() > maxLength) {
        MarkFailed(file);
        Fail(Z_ERROR_TOO_LONG, "%s: a line of %s is longer than %zu characters", operation, file->path.c_str(),
             maxLength);
        return LineResult::Error;
    }
    return LineResult::Line;
}

bool WriteBytes(ZFileObject* file, const char* bytes, size_t count, const char* operation) {
    if (!SettlePushBack(file, operation)) return false;
    Status written = file->data->Write(bytes, count);
    return written.ok() || Failed(file, operation, "write", written);
}

bool WriteLine(ZFileObject* file, const std::string& text, const char* operation) {
    std::string line = text + Z_LINE_END;
    return WriteBytes(file, line.data(), line.size(), operation);
}

}  // namespace zel::toolkit
