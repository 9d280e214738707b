// ZEL_FAULT: make the N-th call of a named operation (or the N-th fault point
// of the run) fail, so that every failure path can be reached from a test.
#include "fault_injection.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "power_loss.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

namespace {

struct FaultSelection {
    std::string name;     // "*" selects by the overall count
    std::string pathEnd;  // when not empty: only calls on a path ending so count
    uint64_t call = 1;
    uint64_t calls = 0;   // the calls it counted so far
};

struct FaultState {
    bool loaded = false;
    std::vector<FaultSelection> selections;
    std::string logPath;
    // What a selected fault point does: fail its call, or end the process
    // there as a kill would, or as a power cut would.
    enum class End { Fail, Kill, PowerLoss } end = End::Fail;
    std::map<std::string, uint64_t> callsByName;
    uint64_t callsOverall = 0;
};

FaultState& State() {
    static FaultState state;
    return state;
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
void ParseEntry(std::string entry, std::vector<FaultSelection>& selections) {
    while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t')) entry.erase(0, 1);
    while (!entry.empty() && (entry.back() == ' ' || entry.back() == '\t')) entry.pop_back();
    if (entry.empty()) return;
    FaultSelection selection;
    size_t colon = entry.find(':');
    selection.name = entry.substr(0, colon);
    const size_t at = selection.name.find('@');
    if (at != std::string::npos) {
        selection.pathEnd = SlashesForward(selection.name.substr(at + 1));
        selection.name.resize(at);
        if (selection.pathEnd.empty()) return;
    }
    if (colon != std::string::npos) {
        std::string count = entry.substr(colon + 1);
        if (count.empty() || count.size() > 18) return;
        uint64_t value = 0;
        for (char c : count) {
            if (c < '0' || c > '9') return;
            value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (value == 0) return;
        selection.call = value;
    }
    if (selection.name.empty()) return;
    selections.push_back(selection);
}

void Load(FaultState& state) {
    state.selections.clear();
    state.callsByName.clear();
    state.callsOverall = 0;
    const char* fault = std::getenv("ZEL_FAULT");
    if (fault != nullptr) {
        std::string text = fault;
        size_t start = 0;
        while (start <= text.size()) {
            size_t comma = text.find(',', start);
            if (comma == std::string::npos) comma = text.size();
            ParseEntry(text.substr(start, comma - start), state.selections);
            start = comma + 1;
        }
    }
    const char* log = std::getenv("ZEL_FAULT_LOG");
    state.logPath = (log != nullptr) ? log : "";
    const char* end = std::getenv("ZEL_FAULT_END");
    const std::string endText = end != nullptr ? end : "";
    state.end = endText == "kill"    ? FaultState::End::Kill
                : endText == "power" ? FaultState::End::PowerLoss
                                     : FaultState::End::Fail;
    zel::toolkit::TrackPowerLoss(state.end == FaultState::End::PowerLoss);
    state.loaded = true;
}

void AppendToLog(const std::string& logPath, const char* name) {
    if (logPath.empty()) return;
    // Plain stdio on purpose: the toolkit's own file operations are fault
    // points themselves.
    std::FILE* log = std::fopen(logPath.c_str(), "ab");
    if (log == nullptr) return;
    std::fprintf(log, "%s\n", name);
    std::fclose(log);
}

}  // namespace

void ZelResetFaultInjection() { Load(State()); }

int Z_FaultPoint(const char* name) { return zel::toolkit::FaultPointOn(name, nullptr); }

int zel::toolkit::FaultPointOn(const char* name, const char* path) {
    FaultState& state = State();
    if (!state.loaded) Load(state);
    const std::string key = name ? name : "";
    const std::string where = path != nullptr ? SlashesForward(path) : "";
    AppendToLog(state.logPath, key.c_str());
    uint64_t byName = ++state.callsByName[key];
    uint64_t overall = ++state.callsOverall;
    for (FaultSelection& selection : state.selections) {
        if (!selection.pathEnd.empty()) {
            if (selection.name != key || path == nullptr || !EndsWith(where, selection.pathEnd)) continue;
            ++selection.calls;
        }
        const uint64_t count = selection.pathEnd.empty() ? byName : selection.calls;
        bool hit =
            (selection.name == "*") ? selection.call == overall : (selection.name == key && selection.call == count);
        if (hit && state.end != FaultState::End::Fail) {
            if (state.end == FaultState::End::PowerLoss) zel::toolkit::LoseUnflushedWrites();
            zel::toolkit::PlatformEndAbruptly();
        }
        if (hit) {
            Z_SetLastErrorText(Z_ERROR_INJECTED, "%s: injected failure (ZEL_FAULT)", key.c_str());
            return 1;
        }
    }
    return 0;
}
