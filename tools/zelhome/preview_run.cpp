#include "preview_run.h"

#include <fstream>
#include <sstream>

#include "path_text.h"
#include "process/run_process.h"

namespace zelhome {

RunResult RunWithoutInput(const std::string& program, const std::vector<std::string>& args,
                          const std::string& serviceDir, const std::string& outputFile) {
    std::vector<zel::process::Word> words;
    for (const std::string& arg : args) words.push_back(zel::process::WordFromSystemText(arg));
    const std::filesystem::path output = zel::toolkit::PathFromText(outputFile);
    const zel::process::ProcessResult ran =
        zel::process::RunProcess(zel::toolkit::PathFromText(program), words, {}, output, serviceDir);
    RunResult result;
    result.started = ran.started;
    result.exitCode = ran.exitCode;
    result.failure = ran.failure;
    std::ifstream file(output, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    result.output = text.str();
    return result;
}

}  // namespace zelhome
