// How the kernel's operations leave their failures: a toolkit last error
// whose text names the operation and the cause.
#pragma once

#include <cstdint>
#include <string>

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

// Keeps the caller's last error across work whose own failures do not
// count (a cleanup after a failure, a lookup that only adds detail).
class KeepLastError {
public:
    KeepLastError();
    ~KeepLastError();
    KeepLastError(const KeepLastError&) = delete;
    KeepLastError& operator=(const KeepLastError&) = delete;

private:
    uint32_t code_;
    std::string text_;
};

// A count as the formats of Fail print it ("%llu"): the same on every
// compiler's printf.
inline unsigned long long Number(uint64_t value) { return static_cast<unsigned long long>(value); }

}  // namespace zel::kernel
