// Helpers shared by the toolkit's own sources; not part of the library's
// interface.
#pragma once

#include <cstdint>
#include <string>

#include "zelkit.h"

namespace zel::toolkit {

struct Problem;

// Z_FaultPoint for a call on a path, which ZEL_FAULT may select by how the
// path ends (NAME@END).
int FaultPointOn(const char* name, const char* path);

// Sets the last error from a platform call's problem: "<operation>: cannot
// <action> <path>: <why>", with the problem's code. Returns 0.
int FailProblem(const char* operation, const char* action, const char* path, const Problem& problem);

// Sets the last error from an errno value: "<operation>: cannot <action>
// <path>: <system text>", with a code that says what kind of failure it was.
// Returns 0 so that callers can write `return FailErrno(...)`.
int FailErrno(const char* operation, const char* action, const char* path, int errnoValue);

// Sets the last error with a code and a printf-style text; returns 0.
int Fail(uint32_t code, const char* format, ...)
#if defined(__MINGW32__)
    // MinGW's C++ runtime formats as the C standard says, not as msvcrt.
    __attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Lower-cases an ASCII letter and leaves every other byte alone, so that
// names compare the same whatever the locale.
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b);

// Takes off what the line readers never hand out: a UTF-8 byte order mark
// when the line starts the file, and the carriage return of a CR LF end.
void TakeOffLineMarks(std::string& line, bool startsFile);

// text without the blanks and tabs at either end, as the profile readers
// trim names, keys and values.
std::string TrimmedProfileText(const std::string& text);

// Sets the last error for a path that the system code page cannot write
// (text shows '?' for each such character); returns 0.
int FailCodePage(const char* operation, const char* what, const std::string& text);

// True when a path text is null or empty; sets a bad-argument error naming
// the operation.
bool RejectEmptyPath(const char* operation, const char* path);

// Windows wildcards: * and ? in any case, and a pattern ending in ".*" also
// takes names without an extension ("z40*.*" matches "z40server").
bool MatchesWildcard(const std::string& name, const std::string& pattern);

}  // namespace zel::toolkit
