#include "program_lines.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config_replace.h"
#include "config_rewrite.h"
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
    const auto rebuildLines = [](HZFILE profile, HZFILE newFile) {
        char rebuilt[REBUILT_LINE_SIZE];
        return WriteRewrittenLines(profile, newFile, [&](const char* line, std::string* written) {
            const char* lineToWrite = RebuildProgramLine(line, rebuilt);
            if (lineToWrite == nullptr) return false;
            written->assign(lineToWrite);
            return true;
        });
    };
    return RewriteConfigFile(profilePath, newPath, rebuildLines,
                             [&] { return ReplaceConfigFile(profilePath, newPath, nullptr); });
}
