// A directory of its own for one test, removed again afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace zel::testing {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& purpose);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // Root joined with a relative path, as a native path text.
    std::string Path(const std::string& relative = "") const;

private:
    std::filesystem::path root_;
};

// Small file helpers for tests.
std::string ReadFileText(const std::filesystem::path& path);
void WriteFileText(const std::filesystem::path& path, const std::string& text);
// Makes to a copy of the tree from, removing whatever to held.
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to);
// How many lines the file holds.
int CountFileLines(const std::filesystem::path& path);

}  // namespace zel::testing
