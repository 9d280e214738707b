#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "preview_run.h"

namespace zelhome {

RunResult RunWithoutInput(const std::string& program, const std::vector<std::string>& args,
                          const std::string& serviceDir, const std::string& outputFile) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    RunResult result;
    const pid_t child = fork();
    if (child < 0) {
        result.failure = std::string("cannot start a process: ") + std::strerror(errno);
        return result;
    }
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        if (!serviceDir.empty()) setenv("ZEL_SERVICE_DIR", serviceDir.c_str(), 1);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        result.started = result.exitCode != 127;
    }
    std::ifstream output(outputFile, std::ios::binary);
    std::ostringstream text;
    text << output.rdbuf();
    result.output = text.str();
    if (!result.started) result.failure = program + " could not be run";
    return result;
}

}  // namespace zelhome
