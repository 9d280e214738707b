#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "home_paths.h"
#include "preview_services.h"
#include "service_store.h"

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

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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
    const fs::path services = ServiceDirectory();
    if (!fs::is_directory(services, error)) return true;  // no services registered
    for (fs::directory_iterator it(services, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() != ".service") continue;
        ServiceRecord service;
        if (!ReadServiceRecord(it->path(), &service)) continue;
        std::string text = ReadText(it->path());
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
        std::ofstream out(fs::path(mirrorDir) / it->path().filename(), std::ios::binary);
        out << text;
        if (!out) {
            *message = (fs::path(mirrorDir) / it->path().filename()).string() + ": cannot be written";
            return false;
        }
    }
    return true;
}

}  // namespace zelhome
