// A scratch directory of the fuzzing process and a file writer for it: the
// readers under test take paths, so every input becomes a file first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace zel::fuzz {

// One directory per process (several fuzzing jobs may share the machine),
// made at the first call and left for the system's temp cleaning.
inline const std::filesystem::path& ScratchRoot() {
    static const std::filesystem::path root = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("zel-fuzz-" + std::to_string(static_cast<long long>(getpid())));
        std::filesystem::create_directories(path);
        return path;
    }();
    return root;
}

inline void WriteBytes(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteBytes(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace zel::fuzz
