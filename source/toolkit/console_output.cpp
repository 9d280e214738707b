// Console output: what the program prints, written at once, in the form
// the console of standard output shows as meant.
#include <cstdio>

#include "toolkit_platform.h"

using namespace zel::toolkit;

namespace {

// Standard output does not change its kind while the program runs.
bool StdoutIsConsole() {
    static const bool console = PlatformStdoutIsConsole();
    return console;
}

}  // namespace

int Z_IsConsoleOutput() { return StdoutIsConsole() ? 1 : 0; }

int Z_WriteConsoleText(const char* text, size_t size) {
    if (text == nullptr) return 0;
    if (size == 0) return 1;
    if (StdoutIsConsole()) return PlatformWriteConsole(text, size) ? 1 : 0;
    return std::fwrite(text, 1, size, stdout) == size && std::fflush(stdout) == 0 ? 1 : 0;
}
