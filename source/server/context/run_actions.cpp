#include "run_actions.h"

#include <algorithm>
#include <utility>

#include "path_text.h"
#include "zelkit.h"

const char* ActionKindName(ActionKind kind) {
    switch (kind) {
        case ActionKind::FileWritten: return "file written";
        case ActionKind::FileMade: return "file made";
        case ActionKind::FileRenamed: return "file renamed";
        case ActionKind::FileRemoved: return "file removed";
        case ActionKind::DatabaseMade: return "database made";
        case ActionKind::DatabaseRefilled: return "database refilled";
        case ActionKind::DatabaseRenamed: return "database renamed";
        case ActionKind::DatabaseRemoved: return "database removed";
        case ActionKind::IndexRemoved: return "index removed";
        case ActionKind::FormatAdded: return "format added";
        case ActionKind::FormatCorrected: return "format corrected";
        case ActionKind::ConfigValueReset: return "configuration value reset";
        case ActionKind::ConfigSectionDropped: return "configuration section dropped";
        case ActionKind::ServiceRemoved: return "service removed";
        case ActionKind::ServiceInstalled: return "service installed";
    }
    return "change";
}

void RunActions::Note(ActionKind kind, ActionGroup group, std::string target, std::string detail) {
    done.push_back({kind, group, std::move(target), std::move(detail)});
}

void RunActions::Skip(std::string what, std::string reason) { skipped.push_back({std::move(what), std::move(reason)}); }

void RunActions::Withdraw(ActionKind kind, const std::string& target) {
    std::erase_if(done, [&](const RunAction& a) { return a.kind == kind && a.target == target; });
}

bool RunActions::Has(ActionKind kind) const {
    return std::any_of(done.begin(), done.end(), [&](const RunAction& a) { return a.kind == kind; });
}

namespace {

// Whether text[at] is a separator of its own: in code pages 936 and 950
// the second byte of a character may be a backslash.
bool IsSeparatorAt(const std::string& text, size_t at) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == at) return text[i] == '/' || text[i] == '\\';
        if (zel::toolkit::IsLeadByte(text[i]) && i + 1 < text.size()) ++i;
        if (i >= at) return false;
    }
    return false;
}

}  // namespace

std::string HomeTarget(const std::string& relative) {
    std::string target = "HOME/";
    for (size_t i = 0; i < relative.size(); ++i) {
        if (zel::toolkit::IsLeadByte(relative[i]) && i + 1 < relative.size()) {
            target += relative.substr(i, 2);
            ++i;
        } else {
            target += relative[i] == '\\' ? '/' : relative[i];
        }
    }
    return target;
}

std::string HomeTarget(const std::string& home, const std::string& path) {
    std::string base = home;
    while (zel::toolkit::EndsWithPathSeparator(base)) base.pop_back();
    if (base.empty() || path.compare(0, base.size(), base) != 0 || path.size() <= base.size() + 1 ||
        !IsSeparatorAt(path, base.size())) {
        return path;
    }
    return HomeTarget(path.substr(base.size() + 1));
}

FailedStep FailedStepNow(const char* name) { return {name, Z_GetLastError(), Z_GetLastErrorPrompt(nullptr, 0)}; }
