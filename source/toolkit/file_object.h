// The open-file object behind HZFILE, shared by the file and profile
// operations.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "buffered_file.h"
#include "zelkit.h"

struct ZFileObject {
    std::unique_ptr<zel::toolkit::BufferedFile> data;
    std::string path;
    bool error = false;  // sticky: set by the first failed read or write
    bool log = false;    // made by Z_CreateLogFile: no fault points, never flushed
    // One line given back by the profile readers (the header that ended a
    // section); pushBackOffset is where it starts in the file.
    bool hasPushBack = false;
    std::string pushBack;
    int64_t pushBackOffset = 0;
};

namespace zel::toolkit {

enum class LineResult { Line, End, Error };

// Reads the next line without its line end (CR LF or LF) into line. A line
// longer than maxLength characters is an error (Z_ERROR_TOO_LONG); nothing is
// cut. A UTF-8 byte order mark at the very start of the file is skipped.
// Takes the pushed-back line first. On Error the file's error state and the
// last error are set, naming operation.
// offset, when given, receives where the line starts.
LineResult ReadLine(ZFileObject* file, std::string& line, size_t maxLength, const char* operation,
                    int64_t* offset = nullptr);

// Gives a line back so that the next ReadLine returns it again.
void PushBackLine(ZFileObject* file, const std::string& line, int64_t offset);

// Writes bytes (and the line end when asked); sets the file's error state
// and the last error on failure.
bool WriteBytes(ZFileObject* file, const char* bytes, size_t count, const char* operation);
bool WriteLine(ZFileObject* file, const std::string& text, const char* operation);

// Where the file stands.
int64_t CurrentPosition(ZFileObject* file);

// Marks the file failed (an injected fault counts like a real one).
void MarkFailed(ZFileObject* file);

// Moves to the start of the file, forgetting any pushed-back line.
bool Rewind(ZFileObject* file, const char* operation);

// Returns the file to the place the caller sees: before a pushed-back line.
bool SettlePushBack(ZFileObject* file, const char* operation);

}  // namespace zel::toolkit
