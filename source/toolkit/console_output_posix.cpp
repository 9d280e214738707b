// Console output off Windows: a terminal takes the bytes as they are.
#include <unistd.h>

#include <cstdio>

#include "toolkit_platform.h"

namespace zel::toolkit {

bool PlatformStdoutIsConsole() { return ::isatty(STDOUT_FILENO) == 1; }

bool PlatformWriteConsole(const char* text, size_t size) {
    return std::fwrite(text, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace zel::toolkit
