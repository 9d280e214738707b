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

// zelhome's texts are in the system code page; the words are quoted in wide
// characters, where no character's second byte passes for a backslash.
std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count > 0 ? count : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

}  // namespace

// The service directory is not used here: on Windows the services are the
// service manager's, and the upgrade leaves a service alone whose program
// lies outside the copy's bin directory.
RunResult RunWithoutInput(const std::string& program, const std::vector<std::string>& args,
                          const std::string& /*serviceDir*/, const std::string& outputFile) {
    std::wstring commandLine = zel::process::QuoteCommandWord(Wide(program));
    for (const std::string& arg : args) commandLine += L" " + zel::process::QuoteCommandWord(Wide(arg));

    RunResult result;
    HANDLE in = OpenInheritable("NUL", false);
    HANDLE out = OpenInheritable(outputFile, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
        CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
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
