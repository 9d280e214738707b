// Memory blocks and the machine's memory figure.
#include <cstdlib>

#include "fault_table.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

void* Z_MemAlloc(size_t size, int /*flags*/) {
    const EntryPoint call("Z_MemAlloc");
    if (call.Failed()) return nullptr;
    void* block = std::calloc(1, size > 0 ? size : 1);
    if (block == nullptr) Fail(Z_ERROR_NO_MEMORY, "Z_MemAlloc: no memory for %zu bytes", size);
    return block;
}

void* Z_MemRealloc(void* block, size_t size) {
    const EntryPoint call("Z_MemRealloc");
    if (call.Failed()) return nullptr;
    void* grown = std::realloc(block, size > 0 ? size : 1);
    if (grown == nullptr) Fail(Z_ERROR_NO_MEMORY, "Z_MemRealloc: no memory for %zu bytes", size);
    return grown;
}

void Z_MemFree(void* block) { std::free(block); }

uint64_t Z_MemDetect(int what) {
    constexpr int kPhysicalMegabytes = 8;
    if (what != kPhysicalMegabytes) return 0;
    // Tests pin the figure; a value that is not a plain decimal number is
    // ignored rather than read as a wrong figure.
    if (const char* pinned = std::getenv("ZEL_MEMDETECT")) {
        uint64_t value = 0;
        bool valid = pinned[0] != '\0';
        for (const char* c = pinned; *c != '\0' && valid; ++c) {
            if (*c < '0' || *c > '9' || value > (UINT64_MAX - 9) / 10)
                valid = false;
            else
                value = value * 10 + static_cast<uint64_t>(*c - '0');
        }
        if (valid) return value;
    }
    // A size the system cannot tell is no size of 0: the caller would
    // keep a figure it meant to raise.
    uint64_t megabytes = 0;
    if (Status told = PlatformPhysicalMemoryMegabytes(&megabytes); !told.ok()) {
        Fail(told.ToolkitCode(), "Z_MemDetect: the size of the physical memory cannot be told: %s",
             told.reason().c_str());
        return 0;
    }
    return megabytes;
}
