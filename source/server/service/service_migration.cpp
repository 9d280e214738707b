// The previous release's service goes when it belongs to this home
// directory; the new release's service comes after the files are in place.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "console.h"
#include "removed_service.h"
#include "service_control.h"
#include "service_migration.h"
#include "zelkit.h"

namespace {

constexpr const char* kOldServiceName = "ZEL40SERVICE";
constexpr const char* kOldDisplayName = "ZEL4.0";
constexpr const char* kServiceProgram = "zemservice.exe";
constexpr int kConfigurationRoom = 4096;

// The Windows error of a failed service call as the toolkit's last error,
// for the driver to print as "ERROR: <message> (<code>)"; a failure of the
// record of the service's name keeps the toolkit's own text, which names
// the file.
bool FailWithSystemError() {
    if (ServiceRecordFailed()) return false;
    const DWORD code = GetLastError();
    char text[kConfigurationRoom];
    FormatSystemError(text, sizeof text);
    Z_SetLastErrorText(code, "%s", text);
    return false;
}

// True when the service that InstallNewService would register is there
// already, exactly so: a run stopped after installing it left it.
bool NewServiceInPlace(const char* program) {
    uint64_t storage[kConfigurationRoom / sizeof(uint64_t)];
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage);
    DWORD size = kConfigurationRoom;
    if (!QueryServiceConfiguration(DEFAULT_SERVICE_NAME, config, &size)) return false;
    const std::string expected = std::string("\"") + program + "\" -resident";
    return config->lpBinaryPathName != nullptr && expected == config->lpBinaryPathName &&
           config->lpDisplayName != nullptr && ZSTRCMP(config->lpDisplayName, DEFAULT_SERVICE_NAME) == 0 &&
           config->dwStartType == SERVICE_AUTO_START;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A candidate no file can be named by (on Windows a name with ':' or a
// wildcard character, as "-p:7000" makes one) names no program, as the
// service manager finds none there.
int ProgramThere(const std::string& candidate) {
    const int there = Z_FileExists(candidate.c_str());
    return there < 0 && Z_GetLastError() == Z_ERROR_BAD_ARGUMENT ? 0 : there;
}

// Whether the file named by text, or, when its name has no extension, by
// text with ".exe", exists: 1, program receiving the one that does; 0; -1
// when the system cannot tell.
int NamesProgram(const std::string& text, char (&program)[kConfigurationRoom]) {
    std::string candidate = text;
    int there = ProgramThere(candidate);
    if (there == 0) {
        const std::string name = candidate.substr(static_cast<size_t>(Z_GetFileNamePathLength(candidate.c_str())));
        if (name.find('.') != std::string::npos) return 0;
        candidate += ".exe";
        there = ProgramThere(candidate);
    }
    if (there > 0) std::snprintf(program, sizeof(program), "%s", candidate.c_str());
    return there;
}

// The program that a registered command line starts. A quoted program ends
// at the closing quote. An unquoted one is read as the service manager
// reads it: C:\Program Files\ZEL Home\bin\z40service.exe -resident starts
// the first of C:\Program, C:\Program Files\ZEL, ... that names a file
// (".exe" added to a name without an extension); when none does, the text
// up to the first blank stands for the program. 1 with the program, 0 when
// the line names none, -1 when the system cannot tell whether a candidate is
// a file: the answer decides whether the service is this home's.
int ServiceProgramPath(const char* commandLine, char (&program)[kConfigurationRoom]) {
    std::snprintf(program, sizeof(program), "%s", commandLine);
    if (program[0] == '"') return Z_SegmentMultiStr(program, "\"", 0) >= 1 ? 1 : 0;
    const std::string text(program);
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return 0;
    for (size_t end = start; end <= text.size(); ++end) {
        if (end < text.size() && !IsBlank(text[end])) continue;
        if (end == start || IsBlank(text[end - 1])) continue;
        const int named = NamesProgram(text.substr(start, end - start), program);
        if (named != 0) return named;
    }
    std::snprintf(program, sizeof(program), "%s", text.c_str());
    return Z_SegmentMultiStr(program, " \t", 0) >= 1 ? 1 : 0;
}

// The configuration record and its texts, in 64-bit units that keep the
// record aligned in the buffer.
struct ServiceConfiguration {
    uint64_t storage[kConfigurationRoom / sizeof(uint64_t)];
    LPQUERY_SERVICE_CONFIGA record() { return reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(storage); }
};

// Whether the previous release's service is registered for this home: its
// display name the old release's and its program in binDir. False, with the
// toolkit's last error set, when that cannot be told.
bool FindOldService(const char* binDir, ServiceConfiguration& configuration, bool* ofThisHome) {
    *ofThisHome = false;
    LPQUERY_SERVICE_CONFIGA config = configuration.record();
    DWORD size = kConfigurationRoom;
    if (!QueryServiceConfiguration(kOldServiceName, config, &size)) {
        // A configuration too large for the buffer is not the old release's.
        const DWORD error = GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_SERVICE_DOES_NOT_EXIST) return true;
        return FailWithSystemError();
    }
    if (!config->lpDisplayName || ZSTRCMP(config->lpDisplayName, kOldDisplayName) != 0) return true;

    // The registered command line may quote the program and carry
    // arguments; only the program file is compared.
    char program[kConfigurationRoom];
    const int named = ServiceProgramPath(config->lpBinaryPathName ? config->lpBinaryPathName : "", program);
    if (named <= 0) return named == 0;
    // Whether the program lies in HOME/bin decides whether the service is
    // this home's: a comparison that failed is no answer.
    ZContrastResult contrast{};
    if (!Z_ContrastFile(program, binDir, &contrast)) return false;
    *ofThisHome = contrast.inDirectory != 0;
    return true;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// SERVICE.INF as it is now, which the removal takes away and a stop puts
// back: a file of the size a name record has, never read through a link,
// and only the run's own (a record another account wrote is refused).
// False (the toolkit's last error set) when it is there but cannot be read.
bool KeepNameRecord(ServiceRegistration* registration) {
    char path[Z_MAX_PATH];
    ZFileInfo info{};
    if (!GetServiceInfPath(path, sizeof path)) return true;
    if (!Z_GetFileInfo(path, Z_OWN_FILE, &info)) return false;
    if (info.kind != Z_FILE_REGULAR || info.size > kConfigurationRoom) return true;
    HZFILE file = Z_OpenFile(path, Z_MODE_READ, 0, nullptr, Z_OWN_FILE);
    if (file == nullptr) return false;
    std::string bytes(static_cast<size_t>(info.size), '\0');
    const bool read = bytes.empty() || Z_ReadFile(file, bytes.data(), static_cast<int64_t>(bytes.size()), 1) > 0;
    // Opened to read: its close loses nothing, and a failed read stays the
    // last error.
    Z_CloseFile(file);
    if (!read) return false;
    registration->nameRecordFound = true;
    registration->nameRecord = bytes;
    return true;
}

ServiceRegistration RegistrationOf(const char* name, const QUERY_SERVICE_CONFIGA& config) {
    ServiceRegistration registration;
    registration.name = name;
    registration.displayName = Text(config.lpDisplayName);
    registration.binaryPath = Text(config.lpBinaryPathName);
    registration.loadOrderGroup = Text(config.lpLoadOrderGroup);
    for (const char* dependency = config.lpDependencies; dependency != nullptr && *dependency != '\0';
         dependency += std::strlen(dependency) + 1) {
        registration.dependencies.push_back(dependency);
    }
    registration.account = Text(config.lpServiceStartName);
    registration.serviceType = config.dwServiceType;
    registration.startType = config.dwStartType;
    registration.errorControl = config.dwErrorControl;
    return registration;
}

// Whether the previous release's service is gone: 1 it is (or goes once it
// stops), 0 it is still registered, -1 the service manager cannot tell.
int OldServiceGone() {
    if (QueryServiceConfiguration(kOldServiceName, nullptr, nullptr)) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_SERVICE_MARKED_FOR_DELETE ? 1 : -1;
}

// HOME/bin's zemservice.exe, as the new service registers it.
bool NewServiceProgram(const char* binDir, char (&program)[Z_MAX_PATH]) {
    const bool fits = std::snprintf(program, sizeof(program), "%s", binDir) < static_cast<int>(sizeof(program)) &&
                      Z_AppendSubdirSymbol(program, 1) && Z_AppendPath(program, kServiceProgram);
    if (!fits) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return fits;
}

}  // namespace

bool RemoveOldService(const char* binDir, const char* systemDir, bool* removed, ServiceRegistration* registration) {
    *removed = false;
    SetServiceRecordDirectory(systemDir);
    ServiceConfiguration configuration;
    bool ofThisHome = false;
    if (!FindOldService(binDir, configuration, &ofThisHome)) return false;
    if (!ofThisHome) return true;

    ServiceRegistration found = RegistrationOf(kOldServiceName, *configuration.record());
    if (!KeepNameRecord(&found)) return false;
    // Recorded first: from the removal on, only the record says that a new
    // service is owed.
    if (!RecordRemovedService(systemDir, kOldServiceName, *configuration.record())) {
        // A write that failed late (its flush) may have left the record in
        // place: the service was not touched, so no successor is owed.
        const uint32_t code = Z_GetLastError();
        const std::string reason = Z_GetLastErrorPrompt(nullptr, 0);
        ForgetRemovedService(systemDir);
        Z_SetLastErrorText(code, "%s", reason.c_str());
        return false;
    }
    ConsolePrint("\nNow, Removing the old service...\n");
    if (RemoveService(kOldServiceName)) {
        *removed = true;
        if (registration != nullptr) *registration = found;
        return true;
    }
    // The record of the service's name could not go: the service was not
    // touched. Still registered, nothing is owed for it. Should the record
    // of it stay all the same, the next run finds the service still there,
    // records it again and removes it; nothing is lost either way.
    const DWORD error = GetLastError();
    if (ServiceRecordFailed()) {
        ForgetRemovedService(systemDir);
        return false;
    }
    // A removal that failed may have taken the service all the same (its
    // registration went, and what failed came after): the record of it goes
    // only once the service is seen still there, or a successor would be
    // owed by nothing. The step fails with the removal's own error.
    const int gone = OldServiceGone();
    if (gone == 0) ForgetRemovedService(systemDir);
    if (gone > 0) {
        *removed = true;
        if (registration != nullptr) *registration = found;
    }
    SetLastError(error);
    return FailWithSystemError();
}

bool RegisterServiceAgain(const ServiceRegistration& registration, const char* systemDir) {
    SetServiceRecordDirectory(systemDir);
    std::string dependencies;
    for (const std::string& name : registration.dependencies) dependencies += name + '\0';
    dependencies += '\0';
    // The system's own account is what CreateServiceA gives without one.
    const bool ownAccount = registration.account.empty() || ZSTRCMPI(registration.account.c_str(), "LocalSystem") == 0;
    SC_HANDLE manager = nullptr;
    if (!OpenServiceControl(&manager, nullptr, nullptr)) return FailWithSystemError();
    SC_HANDLE service = CreateServiceA(
        manager, registration.name.c_str(), registration.displayName.c_str(), SERVICE_ALL_ACCESS,
        registration.serviceType, registration.startType, registration.errorControl, registration.binaryPath.c_str(),
        registration.loadOrderGroup.empty() ? nullptr : registration.loadOrderGroup.c_str(), nullptr,
        dependencies.c_str(), ownAccount ? nullptr : registration.account.c_str(), nullptr);
    if (service == nullptr) {
        CloseServiceHandleSafe(manager);
        return FailWithSystemError();
    }
    CloseServiceHandleSafe(service);
    CloseServiceHandleSafe(manager);
    char path[Z_MAX_PATH];
    if (registration.nameRecordFound && GetServiceInfPath(path, sizeof path) &&
        !Z_WriteWholeFile(path, registration.nameRecord.data(), static_cast<int64_t>(registration.nameRecord.size()),
                          Z_OWN_FILE)) {
        return false;
    }
    return ForgetRemovedService(systemDir);
}

bool FindNewServiceNameHolder(const char* binDir, const char* systemDir, std::string* holder) {
    holder->clear();
    ServiceConfiguration configuration;
    const int pending = RemovedServicePending(systemDir);
    if (pending < 0) return false;
    if (pending == 0) {
        bool ofThisHome = false;
        if (!FindOldService(binDir, configuration, &ofThisHome)) return false;
        // No old service of this home goes, so no new one comes.
        if (!ofThisHome) return true;
    }
    char program[Z_MAX_PATH];
    if (!NewServiceProgram(binDir, program)) return FailWithSystemError();
    if (NewServiceInPlace(program)) return true;
    LPQUERY_SERVICE_CONFIGA config = configuration.record();
    DWORD size = kConfigurationRoom;
    if (QueryServiceConfiguration(DEFAULT_SERVICE_NAME, config, &size)) {
        *holder = config->lpBinaryPathName != nullptr && config->lpBinaryPathName[0] != '\0' ? config->lpBinaryPathName
                                                                                             : "(no command line)";
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) return true;
    if (error == ERROR_INSUFFICIENT_BUFFER) {
        *holder = "(a configuration too large to show)";
        return true;
    }
    return FailWithSystemError();
}

bool InstallNewService(const char* binDir, const char* systemDir, std::string* name) {
    SetServiceRecordDirectory(systemDir);
    ConsolePrint("\nNow, Installing the new service...\n");
    char program[Z_MAX_PATH];
    const bool pathFits = NewServiceProgram(binDir, program);
    if (pathFits && NewServiceInPlace(program)) {
        if (name != nullptr) *name = DEFAULT_SERVICE_NAME;
        return ForgetRemovedService(systemDir);
    }
    if (pathFits && InstallService(nullptr, nullptr, program, SERVICE_AUTO_START)) {
        // Installed under the name the service record gave.
        if (name != nullptr) *name = ReadServiceName();
        return ForgetRemovedService(systemDir);
    }
    return FailWithSystemError();
}

bool ServiceIsRunning(const char* name) {
    return name != nullptr && name[0] != '\0' && QueryServiceConfiguration(name, nullptr, nullptr) == SERVICE_RUNNING;
}
