// Runs the upgrade program for `zelhome preview`: standard input empty, so a
// question the command line does not answer ends the run instead of waiting.
#pragma once

#include <string>
#include <vector>

namespace zelhome {

struct RunResult {
    bool started = false;
    int exitCode = -1;
    std::string output;   // standard output and standard error together
    std::string failure;  // why the program could not be started
};

// Runs program with args; serviceDir, when not empty, becomes the child's
// ZEL_SERVICE_DIR. outputFile receives the output while it runs.
RunResult RunWithoutInput(const std::string& program, const std::vector<std::string>& args,
                          const std::string& serviceDir, const std::string& outputFile);

}  // namespace zelhome
