#include "support/run_program.h"

#include <fstream>
#include <sstream>

#include "process/run_process.h"
#include "support/scratch_dir.h"

#include <cstdlib>

namespace zel::testing {

namespace fs = std::filesystem;

namespace {

ProgramResult Run(const fs::path& program, const std::vector<process::Word>& args, const std::string& standardInput) {
    ScratchDir io("run");
    const fs::path inputPath = io.Root() / "stdin.txt";
    const fs::path outputPath = io.Root() / "stdout.txt";
    std::ofstream(inputPath, std::ios::binary) << standardInput;
    const process::ProcessResult ran = process::RunProcess(program, args, inputPath, outputPath);
    ProgramResult result;
    result.exitCode = ran.exitCode;
    if (!ran.started) result.output = "(" + ran.failure + ")\n";
    std::ifstream output(outputPath, std::ios::binary);
    std::ostringstream text;
    text << output.rdbuf();
    // A Windows program's standard output is in text mode, which writes each
    // "\n" as "\r\n"; undo that, so that tests compare what the program
    // printed on every platform.
    const std::string raw = text.str();
    result.output.reserve(result.output.size() + raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
#ifdef _WIN32
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
#endif
        result.output += raw[i];
    }
    return result;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& standardInput) {
    std::vector<process::Word> words;
    for (const std::string& arg : args) words.push_back(process::WordFromSystemText(arg));
    return Run(fs::path(process::WordFromSystemText(program)), words, standardInput);
}

ProgramResult RunProgramNative(const fs::path& program, const std::vector<fs::path::string_type>& args,
                               const std::string& standardInput) {
    return Run(program, args, standardInput);
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        std::string windows = "Z:" + path;
        for (char& c : windows) {
            if (c == '/') c = '\\';
        }
        return windows;
    }
#endif
    return path;
}

void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnvironment(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

int EnvironmentNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    return *end == '\0' ? static_cast<int>(number) : fallback;
}

}  // namespace zel::testing
