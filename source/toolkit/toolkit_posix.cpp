// POSIX side of the toolkit's platform calls.
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "toolkit/path_text.h"
#include "toolkit/toolkit_platform.h"

namespace zel::toolkit {

// A file name here is bytes, the same bytes std::filesystem keeps.
std::filesystem::path PathFromText(const std::string& text) {
    return std::filesystem::path(text);
}

bool TextFromPath(const std::filesystem::path& path, std::string& text) {
    text = path.native();
    return true;
}

std::string DisplayText(const std::filesystem::path& path) {
    return path.native();
}

bool IsLeadByte(char) {
    return false;
}

unsigned SystemCodePage() {
    return 0;
}

std::string PathTextProblem(const std::string&) {
    return "";
}

bool PlatformProgramPath(std::filesystem::path& path) {
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size() - 1) return false;
    path = std::string(buffer.data(), static_cast<size_t>(length));
    return true;
}

bool PlatformReplaceFile(const char* source, const char* target, std::string& reason) {
    // rename() replaces an existing target atomically on POSIX.
    if (std::rename(source, target) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

uint64_t PlatformPhysicalMemoryMegabytes() {
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / (1024u * 1024u);
}

int PlatformSeek(std::FILE* stream, int64_t offset, int origin) {
    return fseeko(stream, static_cast<off_t>(offset), origin);
}

int64_t PlatformTell(std::FILE* stream) {
    return static_cast<int64_t>(ftello(stream));
}

// A terminal hands over the bytes typed, in the encoding of the file names.
PlatformConsoleInput::PlatformConsoleInput() = default;
PlatformConsoleInput::~PlatformConsoleInput() = default;

}  // namespace zel::toolkit
