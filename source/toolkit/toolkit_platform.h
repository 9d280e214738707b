// The few calls that differ between Windows and the other systems; each
// platform file (toolkit_posix.cpp, toolkit_win32.cpp) supplies them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace zel::toolkit {

// Full path of the running program; false when the system cannot say.
bool PlatformProgramPath(std::string& path);

// Moves source over target in one step, the target may exist. On failure
// returns false with the system's text in reason.
bool PlatformReplaceFile(const char* source, const char* target, std::string& reason);

// Physical memory in megabytes, 0 when unknown.
uint64_t PlatformPhysicalMemoryMegabytes();

// 64-bit positioning of a stdio stream (long is 32 bits on Windows).
int PlatformSeek(std::FILE* stream, int64_t offset, int origin);
int64_t PlatformTell(std::FILE* stream);

}  // namespace zel::toolkit
