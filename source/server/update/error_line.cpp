#include "error_line.h"

#include <cstdio>

#include "zelkit.h"

void PrintToolkitErrorLine(const char* step) {
    const unsigned long code = static_cast<unsigned long>(Z_GetLastError());
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    if (step != nullptr) {
        std::printf("\nERROR: %lu %s: %s\n\n", code, step, text);
    } else {
        std::printf("\nERROR: %lu %s\n\n", code, text);
    }
    std::fflush(stdout);
}
