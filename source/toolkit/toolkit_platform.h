// The few calls that differ between Windows and the other systems; each
// platform file (toolkit_posix.cpp, toolkit_win32.cpp) supplies them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zel::toolkit {

// Full path of the running program; false when the system cannot say.
bool PlatformProgramPath(std::filesystem::path& path);

// While it lives, console input arrives in the encoding of the narrow
// texts: a Windows console reads in its own input code page, often the OEM
// one (850 beside the system's 1252).
class PlatformConsoleInput {
public:
    PlatformConsoleInput();
    ~PlatformConsoleInput();
    PlatformConsoleInput(const PlatformConsoleInput&) = delete;
    PlatformConsoleInput& operator=(const PlatformConsoleInput&) = delete;

private:
    [[maybe_unused]] unsigned savedCodePage_ = 0;  // Windows: the console's own, given back at the end
};

// Moves source over target in one step, the target may exist. On failure
// returns false with the system's text in reason.
bool PlatformReplaceFile(const char* source, const char* target, std::string& reason);

// Physical memory in megabytes, 0 when unknown.
uint64_t PlatformPhysicalMemoryMegabytes();

// 64-bit positioning of a stdio stream (long is 32 bits on Windows).
int PlatformSeek(std::FILE* stream, int64_t offset, int origin);
int64_t PlatformTell(std::FILE* stream);

}  // namespace zel::toolkit
