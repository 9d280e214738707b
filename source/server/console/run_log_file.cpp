#include "run_log_file.h"

#include <cstdio>

namespace {

// Runs started in one second past this many are not told apart.
constexpr int kNamesPerSecond = 99;

}  // namespace

std::string RunLogName(std::time_t started, int number) {
    char stamp[32] = "00000000-000000";
    const std::tm* local = std::localtime(&started);
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    std::string name = std::string("UPGRADE-") + stamp;
    if (number > 1) {
        name += '-';
        name += std::to_string(number);
    }
    name += ".LOG";
    return name;
}

bool RunLogFile::Open(const std::string& systemDir, std::time_t started) {
    Close();
    path_.clear();
    for (int number = 1; number <= kNamesPerSecond; ++number) {
        const std::string path = systemDir + RunLogName(started, number);
        file_ = Z_CreateLogFile(path.c_str());
        if (file_ != nullptr) {
            path_ = path;
            return true;
        }
        // A run of the same second has the name: the next one is tried.
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
