// Scratch directories, environment and file helpers for the toolkit tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fault_injection.h"
#include "zelkit.h"

namespace toolkit_test {

namespace fs = std::filesystem;

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// A fresh directory under the system temp dir, removed at the end.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device random;
        path_ =
            fs::temp_directory_path() / ("zelkit-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The directory with a trailing separator, as callers of the toolkit pass it.
    std::string dir() const { return path_.string() + Z_PATH_SEPARATOR; }

private:
    fs::path path_;
};

inline void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A work file as the program makes one (Z_CreateFile), the only kind
// Z_ReplaceFile moves over another file.
inline bool WriteWorkFile(const std::string& path, const std::string& bytes) {
    HZFILE file = Z_CreateFile(path.c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (file == nullptr) return false;
    const bool written = bytes.empty() || Z_WriteFile(file, bytes.data(), static_cast<int64_t>(bytes.size()), 1) != 0;
    return Z_CloseFile(file) != 0 && written;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Turns fault injection off again whatever a test did.
class FaultScope {
public:
    explicit FaultScope(const char* fault, const char* log = nullptr) {
        SetEnvironment("ZEL_FAULT", fault);
        SetEnvironment("ZEL_FAULT_LOG", log);
        ZelResetFaultInjection();
    }
    ~FaultScope() {
        SetEnvironment("ZEL_FAULT", nullptr);
        SetEnvironment("ZEL_FAULT_LOG", nullptr);
        ZelResetFaultInjection();
    }
};

}  // namespace toolkit_test
