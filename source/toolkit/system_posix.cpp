// Off Windows: what the toolkit asks of the system beside its files: the
// running program's path, path texts (bytes, as the file names are),
// console input, the memory size, and the end of the process.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "path_text.h"
#include "status.h"
#include "toolkit_platform.h"
#include "walk_posix.h"

namespace zel::toolkit {

// A file name here is bytes, the same bytes std::filesystem keeps.
std::filesystem::path PathFromText(const std::string& text) { return std::filesystem::path(text); }

bool TextFromPath(const std::filesystem::path& path, std::string& text) {
    text = path.native();
    return true;
}

std::string DisplayText(const std::filesystem::path& path) { return path.native(); }

bool IsLeadByte(char) { return false; }

unsigned SystemCodePage() { return 0; }

std::string PathTextProblem(const std::string&) { return ""; }

Status PlatformProgramPath(std::filesystem::path& path) {
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length < 0) return Status::FromErrno(errno);
    if (length == 0 || static_cast<size_t>(length) >= buffer.size() - 1) return Status::FromErrno(ENAMETOOLONG);
    path = std::string(buffer.data(), static_cast<size_t>(length));
    return Status();
}

void PlatformEndAbruptly() {
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
}

Status PlatformPhysicalMemoryMegabytes(uint64_t* megabytes) {
    errno = 0;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = pages > 0 ? sysconf(_SC_PAGESIZE) : 0;
    if (pages <= 0 || pageSize <= 0) return Status::FromErrno(errno != 0 ? errno : EIO);
    *megabytes = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / (1024u * 1024u);
    return Status();
}

// A terminal hands over the bytes typed, in the encoding of the file names.
PlatformConsoleInput::PlatformConsoleInput() = default;
PlatformConsoleInput::~PlatformConsoleInput() = default;

}  // namespace zel::toolkit
