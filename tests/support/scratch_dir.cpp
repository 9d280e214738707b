#include "support/scratch_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>

namespace zel::testing {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& purpose) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        // Names of one length for one purpose: two worlds then store paths
        // of the same length, and their files compare byte for byte once
        // the paths are replaced.
        std::ostringstream name;
        name << "zel-" << purpose << "-" << std::hex << std::setfill('0') << std::setw(8) << (random() & 0xFFFFFFFFu)
             << "-" << std::setw(16) << static_cast<unsigned long long>(stamp) << "-" << std::setw(8)
             << (counter++ & 0xFFFFFFFFu);
        root_ = fs::temp_directory_path() / name.str();
        if (fs::create_directories(root_)) break;
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string ScratchDir::Path(const std::string& relative) const {
    if (relative.empty()) return root_.string();
    return (root_ / fs::path(relative)).make_preferred().string();
}

std::string ReadFileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileText(const fs::path& path, const std::string& text) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to) {
    // The folder itself stays: a home's identity (its volume and index) is
    // what a run's record was made for.
    std::error_code ignored;
    if (std::filesystem::is_directory(to, ignored)) {
        for (const auto& entry : std::filesystem::directory_iterator(to)) std::filesystem::remove_all(entry.path(), ignored);
    } else {
        std::filesystem::remove_all(to, ignored);
        std::filesystem::create_directories(to);
    }
    // Entry by entry: MinGW's std::filesystem::copy refuses to copy a folder
    // onto one that exists ("File exists"), as `to` does now.
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
        std::filesystem::copy(entry.path(), to / entry.path().filename(), std::filesystem::copy_options::recursive);
    }
}

int CountFileLines(const std::filesystem::path& path) {
    const std::string text = ReadFileText(path);
    int count = 0;
    for (char c : text) count += c == '\n' ? 1 : 0;
    if (!text.empty() && text.back() != '\n') ++count;
    return count;
}

}  // namespace zel::testing
