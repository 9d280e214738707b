// ZEL_FAULT: the environment's fault table. It counts every fault point of
// the process (the toolkit's public calls, the host stand-ins' entries, and
// each operation of the table of file operations), and says which one a
// test selected to fail, so that every failure path can be reached:
//   ZEL_FAULT=NAME[:N][,...]   the N-th point (default 1) of NAME: a public
//                              call ("Z_WriteFile"), a stand-in's entry
//                              ("GetObjectEnv"), an operation ("fs.Rename"),
//                              or an operation inside a public call
//                              ("fs.Flush@Z_ReplaceFile")
//   ZEL_FAULT=NAME@END[:N]     the N-th call of NAME on a path that ends
//                              with END ("/" and "\\" alike); only the
//                              existence tests name their path
//   ZEL_FAULT=*:N              the N-th public call or stand-in entry
//   ZEL_FAULT=fs.*:N           the N-th operation
//   ZEL_FAULT=all:N            the N-th point of any kind
//   ZEL_FAULT_AS=EIO|EACCES|EMFILE|ENOSPC|EROFS
//                              an operation selected fails with that error
//                              (its system text, said to be injected)
//                              instead of "injected failure (ZEL_FAULT)"
//   ZEL_FAULT_END=kill|power[:ordered[:K]]|power:torn[:SEED]
//                              a selected point ends the process there, as
//                              a kill or a power cut would
//   ZEL_FAULT_LOG=path         appends each public call's and stand-in
//                              entry's name, a line each (the points *:N
//                              counts)
//   ZEL_FAULT_SITES=path       appends every point as "<all:N> <name>
//                              <public call> <step> <file>", tab-separated:
//                              where it was reached, for a sweep over
//                              every distinct place
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "status.h"

namespace zel::toolkit {

enum class PointKind { Entry, Operation };

class FaultTable {
public:
    FaultTable() { Load(); }

    // Reads the variables again and forgets every count.
    void Load();

    // Counts one point. True when the test selected it to fail; a selected
    // point with ZEL_FAULT_END set ends the process instead (through the
    // end handler). path: what an operation works on (its site's file).
    bool Hit(const std::string& name, PointKind kind, const std::string& path = {});

    // The failure an operation selected to fail returns.
    Status Injected() const;

    // What ZEL_FAULT_END says: "" (fail), "kill", "power...".
    const std::string& EndText() const { return endText_; }
    void SetEndHandler(std::function<void()> end) { end_ = std::move(end); }
    void SetFileClass(std::function<std::string(const std::string&)> fileClass) { fileClass_ = std::move(fileClass); }

    // The public call running now (innermost), and the driver's step.
    void Enter(const char* entry) { entries_.push_back(entry); }
    void Leave() {
        if (!entries_.empty()) entries_.pop_back();
    }
    void NameStep(const char* step) { step_ = step != nullptr ? step : ""; }
    // The innermost public call running, or nullptr.
    const char* Entry() const { return entries_.empty() ? nullptr : entries_.back(); }

private:
    struct Selection {
        std::string name;     // "*", "fs.*", "all", NAME or op@entry
        std::string pathEnd;  // when not empty: only calls on a path ending so count
        uint64_t call = 1;
        uint64_t calls = 0;   // the calls on such a path so far
    };

    void AppendSite(const std::string& name, const std::string& path);

    std::vector<Selection> selections_;
    std::map<std::string, uint64_t> callsByName_;
    uint64_t entryCount_ = 0;
    uint64_t operations_ = 0;
    uint64_t all_ = 0;
    std::string logPath_;
    std::string sitesPath_;
    std::FILE* logFile_ = nullptr;
    std::FILE* sitesFile_ = nullptr;
    std::string endText_;
    std::string as_;
    std::function<void()> end_;
    std::function<std::string(const std::string&)> fileClass_;
    std::vector<const char*> entries_;
    std::string step_;
};

// A public call of the toolkit while it runs: its own fault point, and the
// entry of the operations it makes (a call that is no point of its own
// still names its operations' sites).
class EntryPoint {
public:
    // counted false: the call is no point (an operation on the program's
    // own log).
    explicit EntryPoint(const char* name, bool counted = true);
    ~EntryPoint();
    EntryPoint(const EntryPoint&) = delete;
    EntryPoint& operator=(const EntryPoint&) = delete;

    // True when the test selected this call to fail (the last error set).
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

}  // namespace zel::toolkit
