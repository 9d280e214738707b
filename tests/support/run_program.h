// Runs a built program the way an administrator would: with arguments, a
// prepared standard input, and its output captured.
#pragma once

#include <filesystem>
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

// Runs program with words given in the system's own characters (wide on
// Windows), so that a test can pass what the system code page cannot write.
ProgramResult RunProgramNative(const std::filesystem::path& program,
                               const std::vector<std::filesystem::path::string_type>& args,
                               const std::string& standardInput = "");

// A path the programs of this platform understand: under Wine, the Unix paths
// the build knows become paths of drive Z:.
std::string NativePath(const std::string& path);

// The text of a path as the programs take it on their command line and as
// the Windows A calls read it: the system code page on Windows ('?' for a
// character it cannot write), the name's bytes elsewhere. (A path's
// string() is UTF-8 on Windows.)
std::string SystemText(const std::filesystem::path& path);
// Whether the system code page can write every character of path.
bool SystemCanWrite(const std::filesystem::path& path);
// The Windows system code page; 0 elsewhere.
unsigned SystemCodePage();

// Environment of this process, inherited by the programs it runs.
void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);
// A whole number from the environment; fallback when it is unset, empty or
// not a number.
int EnvironmentNumber(const char* name, int fallback = 0);

}  // namespace zel::testing
