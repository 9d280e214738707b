// How the kernel's operations leave their failures: a toolkit last error
// whose text names the operation and the cause.
#pragma once

#include <cstdint>

namespace zel::kernel {

// Sets the last error to "<operation>: <cause>" with the given code.
// Returns false so that helpers can write `return Fail(...)`.
bool Fail(const char* operation, uint32_t code, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// After a toolkit call failed: keeps its code and puts the operation and
// what it was doing in front of the toolkit's own text.
bool FailAfterToolkit(const char* operation, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// A count as the formats of Fail print it ("%llu"): the same on every
// compiler's printf.
inline unsigned long long Number(uint64_t value) {
    return static_cast<unsigned long long>(value);
}

}  // namespace zel::kernel
