#include "service_store.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "zelkit.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kServiceFileExtension = ".service";

DWORD ParseNumber(const std::string& text, DWORD fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (*end != '\0' || value > 0xFFFFFFFFul) return fallback;
    return static_cast<DWORD>(value);
}

std::vector<std::string> SplitDependencies(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find('/', start);
        if (slash == std::string::npos) slash = text.size();
        if (slash > start) names.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
    return names;
}

std::string JoinDependencies(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += '/';
        text += name;
    }
    return text;
}

}  // namespace

fs::path ServiceDirectory() {
    const char* configured = std::getenv("ZEL_SERVICE_DIR");
    if (configured && *configured) return fs::path(configured);
    std::error_code error;
    fs::path temp = fs::temp_directory_path(error);
    if (error) temp = "/tmp";
    return temp / "zel-services";
}

bool SameServiceName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool ReadServiceRecord(const fs::path& file, ServiceRecord* record) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    ServiceRecord result;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "Name")
            result.name = value;
        else if (key == "DisplayName")
            result.displayName = value;
        else if (key == "BinaryPath")
            result.binaryPath = value;
        else if (key == "LoadOrderGroup")
            result.loadOrderGroup = value;
        else if (key == "StartName")
            result.startName = value;
        else if (key == "Dependencies")
            result.dependencies = SplitDependencies(value);
        else if (key == "Type")
            result.serviceType = ParseNumber(value, result.serviceType);
        else if (key == "StartType")
            result.startType = ParseNumber(value, result.startType);
        else if (key == "ErrorControl")
            result.errorControl = ParseNumber(value, result.errorControl);
        else if (key == "State")
            result.state = ParseNumber(value, result.state);
        else if (key == "StopPolls")
            result.stopPolls = ParseNumber(value, result.stopPolls);
        else if (key == "PendingPolls")
            result.pendingPolls = ParseNumber(value, result.pendingPolls);
        else if (key == "ControlError")
            result.controlError = ParseNumber(value, result.controlError);
        else
            result.otherLines.push_back(line);
    }
    if (result.name.empty()) return false;
    if (result.displayName.empty()) result.displayName = result.name;
    *record = std::move(result);
    return true;
}

// Through the toolkit's replacement, as every file the upgrade writes: the
// registry of services survives a crash of the machine as well as the
// home's files do.
bool WriteServiceRecord(const fs::path& file, const ServiceRecord& record) {
    std::ostringstream out;
    out << "Name=" << record.name << '\n'
        << "DisplayName=" << record.displayName << '\n'
        << "BinaryPath=" << record.binaryPath << '\n'
        << "Type=" << record.serviceType << '\n'
        << "StartType=" << record.startType << '\n'
        << "ErrorControl=" << record.errorControl << '\n'
        << "LoadOrderGroup=" << record.loadOrderGroup << '\n'
        << "Dependencies=" << JoinDependencies(record.dependencies) << '\n'
        << "StartName=" << record.startName << '\n'
        << "State=" << record.state << '\n'
        << "StopPolls=" << record.stopPolls << '\n';
    if (record.pendingPolls) out << "PendingPolls=" << record.pendingPolls << '\n';
    if (record.controlError) out << "ControlError=" << record.controlError << '\n';
    for (const std::string& line : record.otherLines) out << line << '\n';
    const std::string text = out.str();
    return Z_WriteWholeFile(file.string().c_str(), text.data(), static_cast<int64_t>(text.size()), 0) != 0;
}

bool FindServiceRecord(const std::string& name, bool byDisplayName, fs::path* file, ServiceRecord* record) {
    std::error_code error;
    for (fs::directory_iterator it(ServiceDirectory(), error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() != kServiceFileExtension) continue;
        ServiceRecord candidate;
        if (!ReadServiceRecord(it->path(), &candidate)) continue;
        const std::string& key = byDisplayName ? candidate.displayName : candidate.name;
        if (!SameServiceName(key, name)) continue;
        if (file) *file = it->path();
        if (record) *record = std::move(candidate);
        return true;
    }
    return false;
}

fs::path NewServiceFilePath(const std::string& name) {
    // Service names may hold blanks and most punctuation; the file name keeps
    // letters, digits, '-' and '_' and turns the rest into '_'.
    std::string stem;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        stem += (std::isalnum(u) || c == '-' || c == '_') ? static_cast<char>(std::tolower(u)) : '_';
    }
    fs::path directory = ServiceDirectory();
    fs::path candidate = directory / (stem + kServiceFileExtension);
    std::error_code error;
    for (int number = 2; fs::exists(candidate, error); ++number)
        candidate = directory / (stem + "-" + std::to_string(number) + kServiceFileExtension);
    return candidate;
}
