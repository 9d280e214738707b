#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "process/run_process.h"

namespace zel::process {

Word WordFromSystemText(const std::string& text) { return text; }

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<Word>& args,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         const std::string& serviceDir) {
    const std::string programText = program.native();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(programText.c_str()));
    for (const Word& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string inputText = input.empty() ? std::string("/dev/null") : input.native();
    const std::string outputText = output.native();

    ProcessResult result;
    const pid_t child = fork();
    if (child < 0) {
        result.failure = std::string("cannot start a process: ") + std::strerror(errno);
        return result;
    }
    if (child == 0) {
        const int in = open(inputText.c_str(), O_RDONLY);
        const int out = open(outputText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        if (!serviceDir.empty()) setenv("ZEL_SERVICE_DIR", serviceDir.c_str(), 1);
        execv(programText.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        result.started = result.exitCode != 127;
    } else {
        result.started = true;  // it ran, and was ended by a signal
    }
    if (!result.started) result.failure = programText + " could not be run";
    return result;
}

}  // namespace zel::process
