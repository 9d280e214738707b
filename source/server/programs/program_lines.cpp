#include "program_lines.h"

#include <cstdio>
#include <cstring>

#include "config_replace.h"
#include "config_text.h"
#include "program_names.h"

const char* RebuildProgramLine(const char* line, char* rebuilt) {
    char fields[Z_MAX_LINE];
    std::snprintf(fields, sizeof(fields), "%s", line);
    if (Z_SegmentMultiStr(fields, "= \t", 0) < 2) {
        return line;
    }
    const char* key = fields;
    const char* value = key + std::strlen(key) + 1;
    if (ZSTRNCMPI(value, "z40", 3) != 0 || !IsProgramLineKey(key)) {
        return line;
    }
    const char* renamed = FindRenamedProgramValue(key, value);
    // The arguments that followed the old name give way to the launch
    // arguments the new programs take.
    int length =
        std::snprintf(rebuilt, REBUILT_LINE_SIZE, "%s=%s &PORT &BLOCK", key, renamed != nullptr ? renamed : value);
    if (length < 0 || static_cast<size_t>(length) >= REBUILT_LINE_SIZE) {
        return nullptr;  // cannot happen for a line that fits Z_MAX_LINE
    }
    return rebuilt;
}

bool NamesOldProgram(const char* line, char* program) {
    char rebuilt[REBUILT_LINE_SIZE];
    const char* written = RebuildProgramLine(line, rebuilt);
    if (written == nullptr || written == line || std::strcmp(written, line) == 0) {
        return false;
    }
    // A rebuilt line is key "=" value " &PORT &BLOCK"; the value read is the
    // second field of the line as read.
    char fields[Z_MAX_LINE];
    std::snprintf(fields, sizeof(fields), "%s", line);
    Z_SegmentMultiStr(fields, "= \t", 0);
    const char* value = fields + std::strlen(fields) + 1;
    const char* extension = std::strchr(value, '.') != nullptr ? "" : ".exe";
    const int length = std::snprintf(program, Z_MAX_LINE, "%s%s", value, extension);
    // A name too long for the buffer is no file name either: the program it
    // names cannot exist.
    if (length < 0 || length >= Z_MAX_LINE) program[0] = '\0';
    return true;
}

bool RewriteProgramLines(const char* profilePath, const char* newPath) {
    HZFILE profile = Z_OpenFile(profilePath, Z_MODE_READ, 0, nullptr, 0);
    if (profile == nullptr) {
        return false;
    }
    HZFILE newFile = Z_CreateFile(newPath, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (newFile == nullptr) {
        CloseReadFile(profile);
        return false;
    }
    int failed = 0;
    char line[Z_MAX_LINE];
    char rebuilt[REBUILT_LINE_SIZE];
    while (Z_ReadFileLine(profile, line, Z_MAX_LINE, nullptr)) {
        const char* written = RebuildProgramLine(line, rebuilt);
        if (written == nullptr || !Z_WriteFileLineEx(newFile, written, 1)) {
            failed = 1;
            break;
        }
    }
    // A line too long for the buffer ends the reading with an error: the
    // profile is then kept whole rather than replaced by a shortened copy.
    if (Z_FileError(profile) || Z_FileError(newFile)) {
        failed = 1;
    }
    if (!Z_CloseFile(newFile)) {
        failed = 1;
    }
    CloseReadFile(profile);
    if (!failed && !ReplaceConfigFile(profilePath, newPath, nullptr)) {
        failed = 1;
    }
    return EndWithWorkFile(failed != 0, newPath);
}
