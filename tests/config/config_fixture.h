// A home directory (bin and system) and a package directory in a scratch
// directory, with file helpers and fault injection for the configuration
// tests.
#pragma once

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace config_test {

// The lines joined with CR LF after each, as the toolkit writes them.
std::string Crlf(std::initializer_list<const char*> lines);

void Write(const std::string& path, const std::string& bytes);
std::string Read(const std::string& path);
bool Exists(const std::string& path);

class HomeLayout {
public:
    HomeLayout();
    // Directories end with a separator, as the steps receive them.
    const std::string& SystemDir() const { return systemDir_; }
    const std::string& PackageDir() const { return packageDir_; }
    const std::string& BinDir() const { return binDir_; }
    std::string System(const std::string& name) const { return systemDir_ + name; }
    std::string Package(const std::string& name) const { return packageDir_ + name; }
    std::string Bin(const std::string& name) const { return binDir_ + name; }
    // Names of the files in the system directory, sorted, for checking what
    // a step left behind.
    std::string SystemListing() const;

private:
    zel::testing::ScratchDir scratch_;
    std::string systemDir_;
    std::string packageDir_;
    std::string binDir_;
};

// Sets ZEL_FAULT (and ZEL_FAULT_LOG) for the life of the scope.
class FaultScope {
public:
    explicit FaultScope(const std::string& fault, const std::string& log = "");
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

// Runs action once with every fault point logged and returns their names in
// order, so that a test can then fail each of them in turn ("*:N").
std::vector<std::string> ListFaultPoints(const HomeLayout& layout, const std::function<void()>& action);

// Removes every file of the system and bin directories.
void ClearHome(const HomeLayout& layout);

}  // namespace config_test
