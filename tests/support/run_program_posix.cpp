#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace zel::testing {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& standardInput) {
    ScratchDir io("run");
    const std::string inputPath = io.Path("stdin.txt");
    const std::string outputPath = io.Path("stdout.txt");
    std::ofstream(inputPath, std::ios::binary) << standardInput;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    ProgramResult result;
    const pid_t child = fork();
    if (child == 0) {
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    std::ifstream output(outputPath, std::ios::binary);
    std::ostringstream text;
    text << output.rdbuf();
    result.output = text.str();
    return result;
}

ProgramResult RunProgramNative(const std::filesystem::path& program,
                               const std::vector<std::filesystem::path::string_type>& args,
                               const std::string& standardInput) {
    return RunProgram(program.native(), args, standardInput);
}

// A file name here is bytes, the same bytes a path keeps.
std::string SystemText(const std::filesystem::path& path) { return path.native(); }

bool SystemCanWrite(const std::filesystem::path&) { return true; }

unsigned SystemCodePage() { return 0; }

}  // namespace zel::testing
