#include "error_line.h"

#include <cstdio>

#include "zelkit.h"

void PrintToolkitErrorLine() {
    std::printf("\nERROR: %lu %s\n\n", static_cast<unsigned long>(Z_GetLastError()), Z_GetLastErrorPrompt(nullptr, 0));
    std::fflush(stdout);
}
