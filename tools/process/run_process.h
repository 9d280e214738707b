// Running a program with its standard streams in files, as zelhome preview
// and the tests run the upgrade. Words and paths are in the system's own
// characters (wide on Windows), so that a caller can pass what the system
// code page cannot write.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zel::process {

using Word = std::filesystem::path::string_type;

struct ProcessResult {
    bool started = false;
    int exitCode = -1;    // -1 when the program did not end by itself (killed)
    std::string failure;  // why it could not be started
};

// Runs program with args. Standard input comes from input (an empty path:
// input that ends at once); standard output and standard error both go to
// output. With serviceDir not empty, the child's ZEL_SERVICE_DIR is set to
// it (the service manager off Windows).
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<Word>& args,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         const std::string& serviceDir = "");

// A text of the system code page (the narrow texts the programs take) as a
// word.
Word WordFromSystemText(const std::string& text);

}  // namespace zel::process
