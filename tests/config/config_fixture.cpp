#include "config/config_fixture.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "fault_injection.h"
#include "support/run_program.h"

namespace config_test {

namespace fs = std::filesystem;

std::string Crlf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void Write(const std::string& path, const std::string& bytes) { zel::testing::WriteFileText(path, bytes); }

std::string Read(const std::string& path) { return zel::testing::ReadFileText(path); }

bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

HomeLayout::HomeLayout() : scratch_("config") {
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    systemDir_ = scratch_.Path("home/system") + separator;
    binDir_ = scratch_.Path("home/bin") + separator;
    packageDir_ = scratch_.Path("package") + separator;
    fs::create_directories(systemDir_);
    fs::create_directories(binDir_);
    fs::create_directories(packageDir_);
}

std::string HomeLayout::SystemListing() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(systemDir_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names) {
        listing += name + " ";
    }
    return listing;
}

FaultScope::FaultScope(const std::string& fault, const std::string& log) {
    zel::testing::SetEnvironment("ZEL_FAULT", fault);
    if (log.empty()) {
        zel::testing::UnsetEnvironment("ZEL_FAULT_LOG");
    } else {
        zel::testing::SetEnvironment("ZEL_FAULT_LOG", log);
    }
    ZelResetFaultInjection();
}

FaultScope::~FaultScope() {
    zel::testing::UnsetEnvironment("ZEL_FAULT");
    zel::testing::UnsetEnvironment("ZEL_FAULT_LOG");
    ZelResetFaultInjection();
}

std::vector<std::string> ListFaultPoints(const HomeLayout& layout, const std::function<void()>& action) {
    const std::string log = layout.Package("fault-points.log");
    {
        FaultScope logging("", log);
        action();
    }
    std::string text = Read(log);
    fs::remove(log);
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

void ClearHome(const HomeLayout& layout) {
    for (const std::string& dir : {layout.SystemDir(), layout.BinDir()}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            fs::remove_all(entry.path());
        }
    }
}

}  // namespace config_test
