#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "home_paths.h"
#include "home_snapshot.h"
#include "preview_services.h"
#include "service_store.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// The services of zelhome's own mirror, by their names in lower case; false
// (the toolkit's last error set) when it cannot be read.
bool ReadMirror(const std::string& mirrorDir, std::map<std::string, ServiceRecord>* services) {
    std::vector<StoredService> stored;
    if (!ListServiceRecords(mirrorDir, &stored)) return false;
    for (StoredService& service : stored) (*services)[Lower(service.record.name)] = std::move(service.record);
    return true;
}

}  // namespace

std::string ServiceProgram(const std::string& commandLine) {
    std::string line = commandLine;
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    if (line[start] == '"') {
        size_t close = line.find('"', start + 1);
        return line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    }
    // Unquoted, as the service manager (and the upgrade) reads it: the
    // first text up to a blank that names a file, ".exe" added to a name
    // without an extension; else the text up to the first blank.
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    for (size_t end = start; end <= line.size(); ++end) {
        if (end < line.size() && !blank(line[end])) continue;
        if (end == start || blank(line[end - 1])) continue;
        const std::string candidate = line.substr(start, end - start);
        const fs::path path = PathFromText(candidate);
        std::error_code error;
        if (fs::is_regular_file(path, error)) return candidate;
        if (path.extension().empty() && fs::is_regular_file(PathFromText(candidate + ".exe"), error)) {
            return candidate + ".exe";
        }
    }
    size_t end = line.find_first_of(" \t", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool ProgramInBin(const std::string& commandLine, const std::string& home) {
    const std::string program = ServiceProgram(commandLine);
    if (program.empty()) return false;
    const fs::path directory = AbsolutePath(PathFromText(program)).parent_path();
    const fs::path bin = AbsolutePath(PathFromText(home) / "bin");
    // The file system knows when two spellings name one directory, as the
    // upgrade asks it.
    std::error_code error;
    if (fs::exists(directory, error) && fs::exists(bin, error)) {
        const bool same = fs::equivalent(directory, bin, error);
        if (!error) return same;
    }
    return Lower(DisplayText(directory)) == Lower(DisplayText(bin));
}

std::vector<std::string> LeftServiceWarnings(const ServicePlan& plan, const std::string& home,
                                             const HomeSnapshot& before, const HomeSnapshot& after) {
    const OldService& old = plan.oldService;
    if (!old.registered) return {};
    if (old.displayName == OLD_SERVICE_DISPLAY && ProgramInBin(old.commandLine, home)) return {};  // removed
    if (!ProgramInBin(old.commandLine, home)) return {};  // the run deletes nothing outside HOME/bin
    const std::string program = ServiceProgram(old.commandLine);
    const std::string relative = "bin/" + DisplayText(PathFromText(program).filename());
    auto named = [&](const std::map<std::string, std::string>& files) {
        for (const auto& [path, digest] : files) {
            if (Lower(path) == Lower(relative)) return true;
        }
        return false;
    };
    if (!named(before.files) || named(after.files)) return {};
    return {"warning: the old service " + old.name + " (" + old.displayName +
            ") stays registered, but the upgrade deletes its program " + program};
}

std::vector<std::string> MirrorServiceNames(const std::string& mirrorDir) {
    std::map<std::string, ServiceRecord> services;
    std::vector<std::string> names;
    ReadMirror(mirrorDir, &services);  // a mirror that cannot be read is reported by MirrorChanges
    for (const auto& [key, service] : services) names.push_back(service.name);
    return names;
}

std::vector<std::string> MirrorChanges(const std::string& mirrorDir, const std::vector<std::string>& namesBefore) {
    std::vector<std::string> lines;
    std::map<std::string, ServiceRecord> after;
    if (!ReadMirror(mirrorDir, &after)) {
        return {std::string("the services after the run cannot be read: ") + Z_GetLastErrorPrompt(nullptr, 0)};
    }
    for (const std::string& name : namesBefore) {
        if (after.count(Lower(name)) == 0) lines.push_back("old service removed: " + name);
    }
    for (const auto& [key, service] : after) {
        bool existed = false;
        for (const std::string& name : namesBefore) existed = existed || Lower(name) == key;
        if (!existed) {
            lines.push_back("new service installed: " + service.name + " (" + service.displayName + "), " +
                            service.binaryPath);
        }
    }
    return lines;
}

}  // namespace zelhome
