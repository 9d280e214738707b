#include "error_line.h"

#include <cstdio>

#include "console.h"
#include "zelkit.h"

void PrintToolkitErrorLine(const char* step) {
    const unsigned long code = static_cast<unsigned long>(Z_GetLastError());
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    if (step != nullptr) {
        ConsolePrint("\nERROR: %lu %s: %s\n\n", code, step, text);
    } else {
        ConsolePrint("\nERROR: %lu %s\n\n", code, text);
    }
}
