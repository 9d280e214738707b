#include "run_log_file.h"

#include <cstdio>
#include <random>

namespace {

// A new random part is tried this often before the run gives up: a name
// that cannot be guessed is free unless the folder cannot take a file.
constexpr int kAttempts = 16;

// Eight hexadecimal digits nobody can know before the run makes its log,
// so that no name can be taken in advance.
std::string UnguessablePart() {
    static std::random_device device;
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(device()));
    return text;
}

}  // namespace

std::string RunLogName(std::time_t started, const std::string& unguessable) {
    char stamp[32] = "00000000-000000";
    const std::tm* local = std::localtime(&started);
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    std::string name = std::string("UPGRADE-") + stamp;
    name += '-';
    name += unguessable;
    name += ".LOG";
    return name;
}

bool RunLogFile::Open(const std::string& systemDir, std::time_t started) {
    Close();
    path_.clear();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = systemDir + RunLogName(started, UnguessablePart());
        file_ = Z_CreateLogFile(path.c_str());
        if (file_ != nullptr) {
            path_ = path;
            return true;
        }
        // Taken (by a run of the same second, or by a name planted on the
        // chance): another random part is tried.
        if (Z_GetLastError() != Z_ERROR_EXISTS) return false;
    }
    return false;
}
bool RunLogFile::Write(std::string_view text) {
    if (file_ == nullptr) return false;
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            lines += Z_LINE_END;
        } else {
            lines += c;
        }
    }
    if (lines.empty()) return true;
    return Z_WriteFile(file_, lines.data(), static_cast<int64_t>(lines.size()), 1) != 0;
}

void RunLogFile::Close() {
    if (file_ == nullptr) return;
    // Closing sends the log to the disk; a log that fails there has said
    // all it could.
    Z_CloseFile(file_);
    file_ = nullptr;
}
