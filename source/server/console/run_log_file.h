// The file of a run's log, HOME/system/UPGRADE-<yyyymmdd-hhmmss>-<part>.LOG,
// named after the local time the run started and a random part nobody can
// guess, so that another account cannot take every name a run could use
// before the run makes its log. It is written through the toolkit's log
// file, which is made private (readable by the administrator alone: it
// holds values of the configuration), where no link can lead, never
// replaces a file and is no fault point: a log must not change the run it
// records.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "zelkit.h"

// The name of the log of a run started at `started`, with the random part
// `unguessable` (eight hexadecimal digits).
std::string RunLogName(std::time_t started, const std::string& unguessable);

class RunLogFile {
public:
    RunLogFile() = default;
    RunLogFile(const RunLogFile&) = delete;
    RunLogFile& operator=(const RunLogFile&) = delete;
    ~RunLogFile() { Close(); }

    // Makes the log in systemDir (a separator at its end) under a new name
    // of its own. False, with the toolkit's last error, when it cannot.
    bool Open(const std::string& systemDir, std::time_t started);
    // Writes plain text, each "\n" as the line end of the product's text
    // files. False, with the toolkit's last error, when it cannot.
    bool Write(std::string_view text);
    // Sends the log to the disk and closes it; its path stays known.
    void Close();

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

private:
    HZFILE file_ = nullptr;
    std::string path_;
};
