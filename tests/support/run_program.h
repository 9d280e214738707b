// Runs a built program the way an administrator would: with arguments, a
// prepared standard input, and its output captured.
#pragma once

#include <string>
#include <vector>

namespace zel::testing {

struct ProgramResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs program with args; standardInput is written to a file first and fed
// to the program (an empty text means input that ends at once).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& standardInput = "");

// A path the programs of this platform understand: under Wine, the Unix paths
// the build knows become paths of drive Z:.
std::string NativePath(const std::string& path);

// Environment of this process, inherited by the programs it runs.
void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);

}  // namespace zel::testing
