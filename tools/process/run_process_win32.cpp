#include <windows.h>

#include "process/run_process.h"
#include "process/windows_command_line.h"

namespace zel::process {

namespace {

HANDLE OpenInheritable(const std::filesystem::path& path, bool write) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Wine's CreateProcess now and then fails a start with ERROR_INTERNAL_ERROR
// while its server is busy; the same start a moment later succeeds. The
// program never ran then, so starting it again repeats nothing.
constexpr int kStartAttempts = 5;

bool StartProcess(std::wstring& commandLine, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &process)) {
            return true;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) return false;
        Sleep(static_cast<DWORD>(100 * attempt));
    }
}

}  // namespace

Word WordFromSystemText(const std::string& text) {
    if (text.empty()) return Word();
    const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    Word wide(static_cast<size_t>(count > 0 ? count : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

// The words are quoted in wide characters, where no character's second byte
// passes for a backslash. The services are the service manager's on
// Windows: serviceDir has no meaning here.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<Word>& args,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         const std::string& /*serviceDir*/) {
    std::wstring commandLine = QuoteCommandWord(program.native());
    for (const Word& arg : args) commandLine += L" " + QuoteCommandWord(arg);

    ProcessResult result;
    HANDLE in = OpenInheritable(input.empty() ? std::filesystem::path(L"NUL") : input, false);
    HANDLE out = OpenInheritable(output, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && StartProcess(commandLine, startup, process)) {
        result.started = true;
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.failure = "the program could not be started: error " + std::to_string(GetLastError());
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return result;
}

}  // namespace zel::process
