#include "service_store.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "path_text.h"
#include "zelkit.h"

namespace {

constexpr const char* kServiceFileExtension = ".service";
constexpr const char* kServiceFiles = "*.service";
// Larger than any service file the manager writes: a file beyond it is no
// service file, and is not read whole into memory.
constexpr int64_t kLargestServiceFile = 64 * 1024;

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

std::string InFolder(const std::string& folder, const std::string& name) {
    return zel::toolkit::EndsWithPathSeparator(folder) ? folder + name : folder + Z_PATH_SEPARATOR + name;
}

int CollectName(const char* name, uint32_t kind, void* context) {
    // A folder is no service file; anything else under such a name is read
    // as one, and fails the look-up when it cannot be. The wildcard takes
    // any case; the extension is the manager's own only in lower case.
    const std::string text = name;
    const std::string extension = kServiceFileExtension;
    const bool ours = text.size() > extension.size() &&
                      text.compare(text.size() - extension.size(), extension.size(), extension) == 0;
    if (ours && kind != Z_FILE_DIRECTORY) static_cast<std::vector<std::string>*>(context)->push_back(text);
    return 1;
}

bool ListServiceFiles(const std::string& folder, std::vector<std::string>* names) {
    return Z_ListFolder(folder.c_str(), kServiceFiles, CollectName, names) != 0;
}

// The whole file, through the toolkit, so that a failed read is told from an
// empty file and says why.
StoreAnswer ReadServiceText(const std::string& file, std::string* text) {
    HZFILE in = Z_OpenFile(file.c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (in == nullptr) return Z_GetLastError() == Z_ERROR_NOT_FOUND ? StoreAnswer::Missing : StoreAnswer::Failed;
    text->clear();
    char buffer[4096];
    bool failed = false;
    for (;;) {
        const int64_t read = Z_ReadFile(in, buffer, sizeof buffer, 0);
        if (read <= 0) {
            failed = Z_FileError(in) != 0;
            break;
        }
        text->append(buffer, static_cast<size_t>(read));
        if (static_cast<int64_t>(text->size()) > kLargestServiceFile) {
            Z_SetLastErrorText(Z_ERROR_TOO_LONG, "%s: larger than any service file (%lld bytes)", file.c_str(),
                               static_cast<long long>(kLargestServiceFile));
            failed = true;
            break;
        }
    }
    // Opened to read: its close loses nothing, and a failed read stays the
    // last error.
    Z_CloseFile(in);
    return failed ? StoreAnswer::Failed : StoreAnswer::Found;
}

}  // namespace

std::string ServiceDirectory() {
    const char* configured = std::getenv("ZEL_SERVICE_DIR");
    if (configured && *configured) return configured;
    std::error_code error;
    std::string temp;
    if (!zel::toolkit::TextFromPath(std::filesystem::temp_directory_path(error), temp) || error || temp.empty())
        temp = "/tmp";
    if (!zel::toolkit::EndsWithPathSeparator(temp)) temp += Z_PATH_SEPARATOR;
    return temp + "zel-services";
}

bool SameServiceName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

StoreAnswer ReadServiceRecord(const std::string& file, ServiceRecord* record) {
    std::string text;
    const StoreAnswer read = ReadServiceText(file, &text);
    if (read != StoreAnswer::Found) return read;
    ServiceRecord result;
    std::istringstream in(text);
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
    if (result.name.empty()) return StoreAnswer::Missing;
    if (result.displayName.empty()) result.displayName = result.name;
    *record = std::move(result);
    return StoreAnswer::Found;
}

// Through the toolkit's replacement, as every file the upgrade writes: the
// registry of services survives a crash of the machine as well as the
// home's files do.
bool WriteServiceRecord(const std::string& file, const ServiceRecord& record) {
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
    return Z_WriteWholeFile(file.c_str(), text.data(), static_cast<int64_t>(text.size()), 0) != 0;
}

bool ListServiceRecords(const std::string& folder, std::vector<StoredService>* services) {
    services->clear();
    std::vector<std::string> names;
    if (!ListServiceFiles(folder, &names)) return false;
    for (const std::string& name : names) {
        StoredService service;
        service.file = InFolder(folder, name);
        const StoreAnswer read = ReadServiceRecord(service.file, &service.record);
        if (read == StoreAnswer::Failed) return false;
        if (read == StoreAnswer::Found) services->push_back(std::move(service));
    }
    return true;
}

StoreAnswer FindServiceRecord(const std::string& name, bool byDisplayName, std::string* file, ServiceRecord* record) {
    const std::string folder = ServiceDirectory();
    std::vector<std::string> names;
    if (!ListServiceFiles(folder, &names)) return StoreAnswer::Failed;
    for (const std::string& fileName : names) {
        const std::string path = InFolder(folder, fileName);
        ServiceRecord candidate;
        const StoreAnswer read = ReadServiceRecord(path, &candidate);
        if (read == StoreAnswer::Failed) return read;
        if (read == StoreAnswer::Missing) continue;
        const std::string& key = byDisplayName ? candidate.displayName : candidate.name;
        if (!SameServiceName(key, name)) continue;
        if (file) *file = path;
        if (record) *record = std::move(candidate);
        return StoreAnswer::Found;
    }
    return StoreAnswer::Missing;
}

StoreAnswer LookAtServiceFile(const std::string& file) {
    const int there = Z_NameExists(file.c_str());
    return there > 0 ? StoreAnswer::Found : there == 0 ? StoreAnswer::Missing : StoreAnswer::Failed;
}

bool NewServiceFilePath(const std::string& name, std::string* file) {
    // Service names may hold blanks and most punctuation; the file name keeps
    // letters, digits, '-' and '_' and turns the rest into '_'.
    std::string stem;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        stem += (std::isalnum(u) || c == '-' || c == '_') ? static_cast<char>(std::tolower(u)) : '_';
    }
    const std::string directory = ServiceDirectory();
    std::string candidate = InFolder(directory, stem + kServiceFileExtension);
    for (int number = 2;; ++number) {
        const StoreAnswer there = LookAtServiceFile(candidate);
        if (there == StoreAnswer::Failed) return false;
        if (there == StoreAnswer::Missing) break;
        candidate = InFolder(directory, stem + "-" + std::to_string(number) + kServiceFileExtension);
    }
    *file = candidate;
    return true;
}
