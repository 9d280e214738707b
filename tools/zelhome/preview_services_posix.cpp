#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "home_paths.h"
#include "preview_services.h"
#include "service_store.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

bool SameName(std::string a, std::string b) {
    auto lower = [](std::string& text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    };
    lower(a);
    lower(b);
    return a == b;
}

bool ReadText(const fs::path& path, std::string* text) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream read;
    read << file.rdbuf();
    *text = read.str();
    return !file.bad() && file.is_open();
}

// The file's text with its BinaryPath's program moved from HOME/bin to COPY/bin.
std::string Retargeted(const std::string& text, const std::string& binaryPath, const std::string& copy) {
    const std::string program = ServiceProgram(binaryPath);
    const std::string moved = DisplayText(AbsolutePath(PathFromText(copy)) / "bin" / PathFromText(program).filename());
    std::string newPath = binaryPath;
    newPath.replace(newPath.find(program), program.size(), moved);
    std::string result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::string bare = line;
        if (!bare.empty() && bare.back() == '\r') bare.pop_back();
        if (bare.rfind("BinaryPath=", 0) == 0) line = "BinaryPath=" + newPath;
        result += line + "\n";
    }
    return result;
}

}  // namespace

bool PlanServices(const std::string& home, const std::string& copy, const std::string& mirrorDir, ServicePlan* plan,
                  std::string* message) {
    std::error_code error;
    fs::create_directories(mirrorDir, error);
    if (error) {
        *message = mirrorDir + ": cannot be made: " + error.message();
        return false;
    }
    plan->mirrorDir = mirrorDir;
    // A store that cannot be read is no store without services: the
    // preview would promise a run that leaves the old service alone.
    const std::string services = ServiceDirectory();
    const int there = Z_DirExists(services.c_str());
    if (there == 0) return true;  // no services registered
    std::vector<StoredService> stored;
    if (there < 0 || !ListServiceRecords(services, &stored)) {
        *message = services + ": the registered services cannot be read: " + Z_GetLastErrorPrompt(nullptr, 0);
        return false;
    }
    for (const StoredService& entry : stored) {
        const ServiceRecord& service = entry.record;
        const fs::path file = PathFromText(entry.file);
        std::string text;
        if (!ReadText(file, &text)) {
            *message = entry.file + ": cannot be read";
            return false;
        }
        if (SameName(service.name, OLD_SERVICE_NAME)) {
            plan->oldService = OldService{true, service.name, service.displayName, service.binaryPath};
        }
        if (!service.binaryPath.empty() && ProgramInBin(service.binaryPath, home)) {
            text = Retargeted(text, service.binaryPath, copy);
            const bool old = SameName(service.name, OLD_SERVICE_NAME) && service.displayName == OLD_SERVICE_DISPLAY;
            // A control the service refuses (1062: it stopped already) fails the removal.
            if (old && service.state != 1 && service.controlError != 0 && service.controlError != 1062) {
                plan->blockers.push_back("the old service " + service.name +
                                         " is running and cannot be stopped (error " +
                                         std::to_string(service.controlError) + ")");
            }
        }
        std::ofstream out(fs::path(mirrorDir) / file.filename(), std::ios::binary);
        out << text;
        if (!out) {
            *message = (fs::path(mirrorDir) / file.filename()).string() + ": cannot be written";
            return false;
        }
    }
    return true;
}

}  // namespace zelhome
