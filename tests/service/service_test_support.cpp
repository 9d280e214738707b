#include "service/service_test_support.h"

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "fault_injection.h"
#include "service/test_platform.h"

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteWholeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

void ServiceTest::SetUp() {
    std::random_device random;
    scratch_ = fs::temp_directory_path() / ("zel-service-test-" + std::to_string(random()));
    fs::create_directories(scratch_ / "services");
    SetTestEnvironment("ZEL_SERVICE_DIR", (scratch_ / "services").string().c_str());
    SetTestEnvironment("ZEL_SLEEP_SCALE", "0");
    SetFault("");

    fs::create_directories(scratch_ / "system");
    SetServiceRecordDirectory((scratch_ / "system").string().c_str());
    char path[Z_MAX_PATH];
    ASSERT_EQ(GetServiceInfPath(path, sizeof(path)), 1);
    serviceInf_ = fs::path(path).lexically_normal();
    if (!fs::exists(serviceInf_.parent_path())) {
        fs::create_directories(serviceInf_.parent_path());
        createdSystemDir_ = true;
    }
    fs::remove(serviceInf_);
    ForgetServiceName();
}

void ServiceTest::TearDown() {
    SetFault("");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    for (const std::string& name : tracked_) {
        if (SC_HANDLE service = manager ? OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS) : nullptr) {
            DeleteService(service);
            CloseServiceHandle(service);
        }
    }
    if (manager) CloseServiceHandle(manager);
    std::error_code ignored;
    fs::remove(serviceInf_, ignored);
    if (createdSystemDir_) fs::remove(serviceInf_.parent_path(), ignored);
    fs::remove_all(scratch_, ignored);
    ForgetServiceName();
}

std::string ServiceTest::UniqueName(const char* stem) {
    std::random_device random;
    std::string name = std::string("ZelTest ") + stem + " " + std::to_string(random() % 1000000);
    Track(name);
    return name;
}

void ServiceTest::Track(const std::string& name) { tracked_.push_back(name); }

void ServiceTest::SetFault(const char* faults) {
    SetTestEnvironment("ZEL_FAULT", faults);
    ZelResetFaultInjection();
}

bool ServiceTest::Register(const std::string& name, const std::string& displayName, const std::string& binaryPath) {
    Track(name);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return false;
    SC_HANDLE service = CreateServiceA(manager, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service) ADD_FAILURE() << "registering " << name << " failed with " << GetLastError();
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

bool ServiceTest::Exists(const std::string& name) {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    if (!OpenServiceControl(&manager, name.c_str(), &service)) return false;
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return true;
}

bool ServiceTest::Settings(const std::string& name, ServiceSettings* settings) {
    uint64_t storage[8192 / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = sizeof(storage);
    if (!QueryServiceConfiguration(name.c_str(), config, &size)) return false;
    settings->binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    settings->displayName = config->lpDisplayName ? config->lpDisplayName : "";
    settings->startType = config->dwStartType;
    return RegisteredDependencies(name, &settings->dependencies);
}

fs::path ServiceTest::ServiceFile(const std::string& name) {
    for (const auto& entry : fs::directory_iterator(scratch_ / "services")) {
        const std::string content = ReadWholeFile(entry.path());
        // The first line, too, counts as following a line end.
        if (("\n" + content).find("\nName=" + name + "\n") != std::string::npos) return entry.path();
    }
    ADD_FAILURE() << "no service file for " << name;
    return fs::path();
}

void ServiceTest::AppendToServiceFile(const std::string& name, const std::string& lines) {
    const fs::path file = ServiceFile(name);
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << lines;
}

std::string ServiceTest::ServiceFileValue(const std::string& name, const std::string& key) {
    std::istringstream content(ReadWholeFile(ServiceFile(name)));
    std::string line;
    std::string value;
    while (std::getline(content, line)) {
        if (line.rfind(key + "=", 0) == 0) value = line.substr(key.size() + 1);
    }
    return value;
}
