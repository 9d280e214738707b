// ZEL_FAULT (fault_table.h): which fault point fails, and what a failure
// injected into an operation says.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "env.h"
#include "fault_injection.h"
#include "fault_table.h"
#include "toolkit_internal.h"

namespace zel::toolkit {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string SlashesForward(std::string text) {
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// An entry whose count is not a positive decimal number selects nothing:
// a typing error must not make an unrelated call fail.
bool ParseSelection(std::string entry, std::string& name, uint64_t& call) {
    while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t')) entry.erase(0, 1);
    while (!entry.empty() && (entry.back() == ' ' || entry.back() == '\t')) entry.pop_back();
    const size_t colon = entry.find(':');
    name = entry.substr(0, colon);
    call = 1;
    if (colon != std::string::npos) {
        const std::string count = entry.substr(colon + 1);
        if (count.empty() || count.size() > 18) return false;
        uint64_t value = 0;
        for (char c : count) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (value == 0) return false;
        call = value;
    }
    return !name.empty();
}

// Plain stdio on purpose: the toolkit's own file operations are fault
// points themselves. A run counts thousands of points, and under Wine each
// opening costs much: a log stays open until the table is loaded again, each
// line flushed as it is written, so a killed run has logged every point it
// reached.
void AppendLine(std::FILE*& file, const std::string& path, const std::string& line) {
    if (path.empty()) return;
    if (file == nullptr) file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    std::fprintf(file, "%s\n", line.c_str());
    std::fflush(file);
}

void Close(std::FILE*& file) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
}

// The error ZEL_FAULT_AS names, as errno.
int ErrnoNamed(const std::string& name) {
    if (name == "EIO") return EIO;
    if (name == "EACCES") return EACCES;
    if (name == "EMFILE") return EMFILE;
    if (name == "ENOSPC") return ENOSPC;
    if (name == "EROFS") return EROFS;
    return 0;
}

}  // namespace

void FaultTable::Load() {
    selections_.clear();
    callsByName_.clear();
    entryCount_ = 0;
    operations_ = 0;
    all_ = 0;
    Close(logFile_);
    Close(sitesFile_);
    const std::string fault = Variable("ZEL_FAULT");
    for (size_t start = 0; start <= fault.size();) {
        size_t comma = fault.find(',', start);
        if (comma == std::string::npos) comma = fault.size();
        Selection selection;
        if (ParseSelection(fault.substr(start, comma - start), selection.name, selection.call)) {
            // NAME@END: a public call on a path that ends so (an operation
            // inside a call is fs.OP@ENTRY).
            const size_t at = selection.name.find('@');
            if (at != std::string::npos && selection.name.compare(0, 3, "fs.") != 0) {
                selection.pathEnd = SlashesForward(selection.name.substr(at + 1));
                selection.name.resize(at);
            }
            if (at == std::string::npos || !selection.pathEnd.empty() || selection.name.compare(0, 3, "fs.") == 0) {
                selections_.push_back(selection);
            }
        }
        start = comma + 1;
    }
    logPath_ = Variable("ZEL_FAULT_LOG");
    sitesPath_ = Variable("ZEL_FAULT_SITES");
    endText_ = Variable("ZEL_FAULT_END");
    as_ = Variable("ZEL_FAULT_AS");
}

bool FaultTable::Hit(const std::string& name, PointKind kind, const std::string& path) {
    const bool entry = kind == PointKind::Entry;
    const uint64_t all = ++all_;
    const uint64_t ofKind = entry ? ++entryCount_ : ++operations_;
    const uint64_t byName = ++callsByName_[name];
    uint64_t byNameInEntry = 0;
    std::string inEntry;
    if (!entry && !entries_.empty()) {
        inEntry = name + "@" + entries_.back();
        byNameInEntry = ++callsByName_[inEntry];
    }
    if (entry) AppendLine(logFile_, logPath_, name);
    if (!sitesPath_.empty()) AppendSite(name, path);
    bool hit = false;
    const std::string where = SlashesForward(path);
    for (Selection& selection : selections_) {
        if (!selection.pathEnd.empty()) {
            if (selection.name == name && !path.empty() && EndsWith(where, selection.pathEnd)) {
                hit = hit || ++selection.calls == selection.call;
            }
        } else if (selection.name == "all") {
            hit = hit || selection.call == all;
        } else if (selection.name == (entry ? "*" : "fs.*")) {
            hit = hit || selection.call == ofKind;
        } else if (selection.name == name) {
            hit = hit || selection.call == byName;
        } else if (!inEntry.empty() && selection.name == inEntry) {
            hit = hit || selection.call == byNameInEntry;
        }
    }
    if (hit && !endText_.empty() && end_) end_();
    return hit;
}

void FaultTable::AppendSite(const std::string& name, const std::string& path) {
    std::string line = std::to_string(all_) + "\t" + name + "\t" + (entries_.empty() ? "-" : entries_.back()) + "\t" +
                       (step_.empty() ? "-" : step_) + "\t";
    line += path.empty() || !fileClass_ ? "-" : fileClass_(path);
    AppendLine(sitesFile_, sitesPath_, line);
}

Status FaultTable::Injected() const {
    const int error = ErrnoNamed(as_);
    if (error == 0) return Status::Refused(Code::Injected, "injected failure (ZEL_FAULT)");
    Status status = Status::AsIfSystem(error);
    return Status(status.code(), status.systemError(), status.reason() + " (injected by ZEL_FAULT)");
}

EntryPoint::EntryPoint(const char* name, bool counted) {
    FaultTable& faults = Env::Get().Faults();
    faults.Enter(name);
    failed_ = counted && faults.Hit(name, PointKind::Entry);
    if (failed_) Z_SetLastErrorText(Z_ERROR_INJECTED, "%s: injected failure (ZEL_FAULT)", name);
}

EntryPoint::~EntryPoint() { Env::Get().Faults().Leave(); }

}  // namespace zel::toolkit

using namespace zel::toolkit;

void ZelResetFaultInjection() { Env::Get().Reload(); }

void ZelNameFaultSite(const char* step) { Env::Get().Faults().NameStep(step); }

int Z_FaultPoint(const char* name) {
    const std::string key = name != nullptr ? name : "";
    if (!Env::Get().Faults().Hit(key, PointKind::Entry)) return 0;
    Z_SetLastErrorText(Z_ERROR_INJECTED, "%s: injected failure (ZEL_FAULT)", key.c_str());
    return 1;
}

int zel::toolkit::FaultPointOn(const char* name, const char* path) {
    return Env::Get().Faults().Hit(name != nullptr ? name : "", PointKind::Entry, path != nullptr ? path : "") ? 1 : 0;
}
