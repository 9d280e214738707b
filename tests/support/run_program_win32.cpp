#include <windows.h>

#include <fstream>
#include <sstream>

#include "process/windows_command_line.h"
#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zel::testing {

namespace {

HANDLE OpenInheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &security, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& standardInput) {
    ScratchDir io("run");
    const std::string inputPath = io.Path("stdin.txt");
    const std::string outputPath = io.Path("stdout.txt");
    std::ofstream(inputPath, std::ios::binary) << standardInput;

    std::string commandLine = zel::process::QuoteCommandWord(program);
    for (const std::string& arg : args) commandLine += " " + zel::process::QuoteCommandWord(arg);

    ProgramResult result;
    HANDLE in = OpenInheritable(inputPath, false);
    HANDLE out = OpenInheritable(outputPath, true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::string mutableLine = commandLine;
    if (CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    std::ifstream output(outputPath, std::ios::binary);
    std::ostringstream text;
    text << output.rdbuf();
    // A Windows program's standard output is in text mode, which writes each
    // "\n" as "\r\n"; undo that, so that tests compare what the program
    // printed on every platform.
    const std::string raw = text.str();
    result.output.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        result.output += raw[i];
    }
    return result;
}

}  // namespace zel::testing
