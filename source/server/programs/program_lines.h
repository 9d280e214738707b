// Rewriting the program names in the start, close and shutdown lines of
// PROFILE.INI.
#pragma once

#include <cstddef>
#include <string>

#include "zelkit.h"

// A rename can lengthen a value by 10 characters ("z40mirror.exe" becomes
// "zelmirror.exe -shutdown") and the launch arguments add 13, so a rebuilt
// line needs that much room beyond the line read, and its terminator.
constexpr size_t REBUILT_LINE_SIZE = Z_MAX_LINE + 23;

// The line to write for a line of PROFILE.INI (at most Z_MAX_LINE - 1
// characters): a program line whose value starts with "z40" is rebuilt into
// rebuilt (room: REBUILT_LINE_SIZE) as key "=" value " &PORT &BLOCK", with
// the value renamed when it is an old program name; every other line comes
// back as it is.
const char* RebuildProgramLine(const char* line, char* rebuilt);

// Whether the rewrite would change this line of PROFILE.INI (at most
// Z_MAX_LINE - 1 characters) because its value names an old program; then
// program (room: Z_MAX_LINE) gets that program's file name: the value, with
// ".exe" when it has no extension (empty when that would not fit).
bool NamesOldProgram(const char* line, char* program);

// The text of a profile (read from the file at path) with every line as
// RebuildProgramLine gives it, each ended by CR LF, as the rewrite writes
// it. False when a line is longer than the line readers take.
bool RewriteProgramLinesInText(const std::string& text, const char* path, std::string* rewritten);

// Rewrites PROFILE.INI with its program lines rebuilt, in one step. The
// profile is replaced only when it was read whole and a line changed;
// otherwise it stays as it was. True when it holds the rebuilt lines.
bool RewriteProgramLines(const char* profilePath);
