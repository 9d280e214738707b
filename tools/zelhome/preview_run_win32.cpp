#include <windows.h>

#include <fstream>
#include <sstream>

#include "process/windows_command_line.h"
#include "preview_run.h"

namespace zelhome {

namespace {

HANDLE OpenInheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// The service directory is not used here: on Windows the services are the
// service manager's, and the upgrade leaves a service alone whose program
// lies outside the copy's bin directory.
RunResult RunWithoutInput(const std::string& program, const std::vector<std::string>& args,
                          const std::string& /*serviceDir*/, const std::string& outputFile) {
    std::string commandLine = zel::process::QuoteCommandWord(program);
    for (const std::string& arg : args) commandLine += " " + zel::process::QuoteCommandWord(arg);

    RunResult result;
    HANDLE in = OpenInheritable("NUL", false);
    HANDLE out = OpenInheritable(outputFile, true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
        CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        result.started = true;
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.failure = program + " could not be run (error " + std::to_string(GetLastError()) + ")";
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    std::ifstream output(outputFile, std::ios::binary);
    std::ostringstream text;
    text << output.rdbuf();
    result.output = text.str();
    return result;
}

}  // namespace zelhome
