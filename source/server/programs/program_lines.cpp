#include "program_lines.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config_text.h"
#include "profile_section.h"
#include "profile_text.h"
#include "program_names.h"

using zel::toolkit::ProfileTextLines;

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

bool RewriteProgramLinesInText(const std::string& text, const char* path, std::string* rewritten) {
    rewritten->clear();
    ProfileTextLines lines(text);
    char rebuilt[REBUILT_LINE_SIZE];
    while (lines.Next()) {
        if (LineTooLong(lines.Line(), path)) return false;
        const char* line = RebuildProgramLine(lines.Line().c_str(), rebuilt);
        if (line == nullptr) return false;
        *rewritten += std::string(line) + Z_LINE_END;
    }
    return true;
}

bool RewriteProgramLines(const char* profilePath) {
    std::string text;
    std::string rewritten;
    if (!ReadConfigText(profilePath, &text) || !RewriteProgramLinesInText(text, profilePath, &rewritten)) return false;
    // Written with the profile by the start-up step already: nothing is left
    // to change.
    if (rewritten == text) return true;
    return ReplaceConfigText(profilePath, rewritten);
}
