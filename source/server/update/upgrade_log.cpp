#include "upgrade_log.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "fixed_path.h"
#include "run_report.h"
#include "zelkit.h"

namespace {

// A word with a blank (or none at all) is quoted, so that the words of the
// line can be told apart as they were given.
std::string Arguments() {
    std::string line;
    for (int i = 1; i < ArgumentCount(); ++i) {
        const std::string word = ArgumentWord(i);
        if (!line.empty()) line += ' ';
        const bool quote = word.empty() || word.find_first_of(" \t") != std::string::npos;
        line += quote ? "\"" + word + "\"" : word;
    }
    return line;
}

std::string Now() {
    char text[32] = "";
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

}  // namespace

const char* UpgradeVersion() {
    static const std::string version = [] {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f.%d.%d%s", 6.8, 5290, 64, "");
        return std::string(text);
    }();
    return version.c_str();
}

bool OpenUpgradeLog(const RunContext& run) {
    if (run.homeLock == nullptr) return true;
    const FixedPath system = FixedPath::Directory(run.choices.home).Sub("system");
    if (!system.ok()) return false;
    const std::vector<std::string> head = {
        std::string("ZEL(R) Enterprise Database Upgrade ") + UpgradeVersion() + ", run of " + Now(),
        std::string("Package folder: ") + run.choices.packageDir,
        std::string("Home folder: ") + run.choices.home,
        "Arguments: " + Arguments(),
    };
    if (OpenRunLog(system.c_str(), head)) return true;
    ConsolePrint("\nERROR: The log of this run cannot be made in %s: %s\nNothing was changed.\n\n", system.c_str(),
                 Z_GetLastErrorPrompt(nullptr, 0));
    return false;
}

int CloseUpgradeLog(const RunContext& run, int status) {
    const std::string log = RunLogPath();
    if (!log.empty()) {
        ReportFacts facts{UpgradeVersion(), {}, status, log};
        for (int i = 1; i < ArgumentCount(); ++i) facts.arguments.emplace_back(ArgumentWord(i));
        const std::string path = RunReportPath(log);
        if (!WriteRunReportFile(path, RunReportText(run, facts))) {
            ConsolePrint("\nERROR: write the report of this run: %s: %s\n\n", path.c_str(),
                         Z_GetLastErrorPrompt(nullptr, 0));
            if (status == 0) status = 2;
        }
    }
    LogLine("\nExit status: %d", status);
    CloseRunLog();
    return status;
}
