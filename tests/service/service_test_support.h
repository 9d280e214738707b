// A fixture for the tests that register services: a scratch directory,
// a service directory of its own (ZEL_SERVICE_DIR, off Windows), no pauses,
// a fresh service name cache, and every service it registered removed
// again at the end, so that the tests also run against Wine's real
// service manager.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "service_control.h"
#include "zelkit.h"

// The tests that shape a service's state through its file (a running or
// slowly stopping service, a refused control) need our own service manager.
#ifdef _WIN32
#define SKIP_WITHOUT_SERVICE_FILES() GTEST_SKIP() << "needs the service files of the off-Windows layer"
#else
#define SKIP_WITHOUT_SERVICE_FILES() (void)0
#endif

struct ServiceSettings {
    std::string binaryPath;
    std::string displayName;
    std::vector<std::string> dependencies;
    DWORD startType = 0;
};

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A service name no other test uses; removed at the end.
    std::string UniqueName(const char* stem);
    // Removes the service at the end of the test if it still exists.
    void Track(const std::string& name);
    // Registers a stopped service as an administrator would.
    bool Register(const std::string& name, const std::string& displayName, const std::string& binaryPath);
    bool Exists(const std::string& name);
    bool Settings(const std::string& name, ServiceSettings* settings);
    // Off Windows: appends lines (Key=Value) to the service's file.
    void AppendToServiceFile(const std::string& name, const std::string& lines);
    // The value of a key in the service's file ("" when absent).
    std::string ServiceFileValue(const std::string& name, const std::string& key);

    void SetFault(const char* faults);

    std::filesystem::path scratch_;
    std::filesystem::path serviceInf_;

private:
    std::filesystem::path ServiceFile(const std::string& name);

    std::vector<std::string> tracked_;
    bool createdSystemDir_ = false;
};

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& content);
