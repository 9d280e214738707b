#include <windows.h>

#include <fstream>
#include <sstream>

#include "process/windows_command_line.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zel::testing {

namespace {

namespace fs = std::filesystem;

HANDLE OpenInheritable(const fs::path& path, bool write) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring WideFromSystem(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count > 0 ? count : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

// Exact: no look-alike for a character the code page lacks, '?' instead.
bool SystemFromWide(const std::wstring& wide, std::string* text) {
    text->clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(wide.size());
    const int count =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    text->assign(static_cast<size_t>(count > 0 ? count : 0), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, text->data(), count, nullptr,
                        &usedDefault);
    return !usedDefault;
}

ProgramResult Run(std::wstring commandLine, const std::string& standardInput) {
    ScratchDir io("run");
    const fs::path inputPath = io.Root() / "stdin.txt";
    const fs::path outputPath = io.Root() / "stdout.txt";
    std::ofstream(inputPath, std::ios::binary) << standardInput;

    ProgramResult result;
    HANDLE in = OpenInheritable(inputPath, false);
    HANDLE out = OpenInheritable(outputPath, true);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        result.output = "(the program could not be started: error " + std::to_string(GetLastError()) + ")\n";
    }
    CloseHandle(in);
    CloseHandle(out);
    std::ifstream output(outputPath, std::ios::binary);
    std::ostringstream text;
    text << result.output << output.rdbuf();
    // A Windows program's standard output is in text mode, which writes each
    // "\n" as "\r\n"; undo that, so that tests compare what the program
    // printed on every platform.
    const std::string raw = text.str();
    result.output.clear();
    result.output.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        result.output += raw[i];
    }
    return result;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& standardInput) {
    // The words are texts of the system code page; they are quoted in wide
    // characters, where no second byte of a character passes for a backslash.
    std::wstring commandLine = zel::process::QuoteCommandWord(WideFromSystem(program));
    for (const std::string& arg : args) commandLine += L" " + zel::process::QuoteCommandWord(WideFromSystem(arg));
    return Run(commandLine, standardInput);
}

ProgramResult RunProgramNative(const fs::path& program, const std::vector<fs::path::string_type>& args,
                               const std::string& standardInput) {
    std::wstring commandLine = zel::process::QuoteCommandWord(program.native());
    for (const std::wstring& arg : args) commandLine += L" " + zel::process::QuoteCommandWord(arg);
    return Run(commandLine, standardInput);
}

std::string SystemText(const fs::path& path) {
    std::string text;
    SystemFromWide(path.native(), &text);
    return text;
}

bool SystemCanWrite(const fs::path& path) {
    std::string text;
    return SystemFromWide(path.native(), &text);
}

unsigned SystemCodePage() { return GetACP(); }

}  // namespace zel::testing
