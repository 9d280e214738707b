// The report of a run that held the home, HOME/system/UPGRADE-<stamp>.json
// beside the run's log and under the same stamp: what the run changed, in
// the schema docs/report.md describes, for the tools that drive upgrades
// across many servers. Like the log it is bookkeeping, made private and
// only under a name nobody held.
#pragma once

#include <string>
#include <vector>

#include "run_context.h"

// What the report says that the run context does not hold.
struct ReportFacts {
    std::string version;
    std::vector<std::string> arguments;
    int status = 0;
    std::string logPath;
};

constexpr int kReportSchema = 1;

// The report's text.
std::string RunReportText(const RunContext& run, const ReportFacts& facts);
// The report's path for the log at logPath: the same name, ending ".json".
std::string RunReportPath(const std::string& logPath);
// Makes the file at path, which must not exist, and writes text into it.
// False, with the toolkit's last error, when it cannot.
bool WriteRunReportFile(const std::string& path, const std::string& text);
