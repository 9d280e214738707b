#include "run_summary_report.h"

#include <string>
#include <vector>

#include "console.h"
#include "program_rename.h"
#include "service_migration.h"

namespace {

// Lists longer than a line are wrapped, each line within this width.
constexpr size_t kLineWidth = 100;
// A list longer than this shows its first items and a count of the rest;
// the run's report lists every one.
constexpr size_t kFoldAfter = 12;
constexpr size_t kShownWhenFolded = 10;

// "    label: a, b, c", wrapped under the first item; a long list ends
// with "and N more (M in all)".
void PrintList(const char* label, std::vector<std::string> items) {
    if (items.empty()) return;
    if (items.size() > kFoldAfter) {
        const size_t all = items.size();
        items.resize(kShownWhenFolded);
        items.push_back("and " + std::to_string(all - kShownWhenFolded) + " more (" + std::to_string(all) + " in all)");
    }
    const std::string head = std::string("    ") + label + ": ";
    std::string line = head;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string item = items[i] + (i + 1 < items.size() ? "," : "");
        if (line.size() > head.size() && line.size() + 1 + item.size() > kLineWidth) {
            ConsolePrint("%s\n", line.c_str());
            line = std::string(head.size(), ' ');
        } else if (line.size() > head.size()) {
            line += ' ';
        }
        line += item;
    }
    ConsolePrint("%s\n", line.c_str());
}

// "    label:" with an item a line, for items that are sentences.
void PrintLines(const char* label, const std::vector<std::string>& items) {
    if (items.empty()) return;
    ConsolePrint("    %s:\n", label);
    for (const std::string& item : items) ConsolePrint("      %s\n", item.c_str());
}

bool IsLexicon(const RunAction& a) { return a.detail == "lexicon"; }

// The actions of one kind and group (and, when given, of which a test
// holds), each as its summary shows it.
template <typename Pick, typename Show>
std::vector<std::string> Items(const RunActions& actions, Pick pick, Show show) {
    std::vector<std::string> items;
    for (const RunAction& a : actions.done) {
        if (pick(a)) items.push_back(show(a));
    }
    return items;
}

std::string Target(const RunAction& a) { return a.target; }
std::string TargetAndDetail(const RunAction& a) {
    return a.detail.empty() ? a.target : a.target + " (" + a.detail + ")";
}
std::string Detail(const RunAction& a) { return a.detail.empty() ? a.target : a.detail; }
std::string FileName(const std::string& target) { return target.substr(target.find_last_of('/') + 1); }

auto Of(ActionKind kind, ActionGroup group) {
    return [kind, group](const RunAction& a) { return a.kind == kind && a.group == group; };
}

void PrintDictionary(const RunActions& actions) {
    const size_t titles = Items(actions, Of(ActionKind::FileWritten, ActionGroup::Dictionary), Target).size();
    if (titles > 0) ConsolePrint("    dictionary files brought to the current title: %d\n", static_cast<int>(titles));
    PrintList("dictionary databases removed",
              Items(actions, Of(ActionKind::DatabaseRemoved, ActionGroup::Dictionary), TargetAndDetail));
    PrintList("system configuration values set",
              Items(actions, Of(ActionKind::ConfigValueReset, ActionGroup::Dictionary),
                    [](const RunAction& a) { return a.target + ": " + a.detail; }));
}

void PrintDatabases(const RunContext& run) {
    const RunActions& actions = run.actions;
    const auto lexicon = [](ActionKind kind, bool wanted) {
        return [kind, wanted](const RunAction& a) { return a.kind == kind && IsLexicon(a) == wanted; };
    };
    const auto name = [](const RunAction& a) { return IsLexicon(a) ? a.target : TargetAndDetail(a); };
    PrintList("lexicons made", Items(actions, lexicon(ActionKind::DatabaseMade, true), name));
    PrintList("lexicons refilled", Items(
                                       actions,
                                       [](const RunAction& a) {
                                           return a.kind == ActionKind::DatabaseRefilled &&
                                                  (IsLexicon(a) || a.target == "SYS$ENTITY");
                                       },
                                       name));
    PrintList("system databases made", Items(actions, lexicon(ActionKind::DatabaseMade, false), name));
    PrintList("system databases refilled", Items(
                                               actions,
                                               [](const RunAction& a) {
                                                   return a.kind == ActionKind::DatabaseRefilled && !IsLexicon(a) &&
                                                          a.target != "SYS$ENTITY";
                                               },
                                               name));
    PrintList("system databases renamed",
              Items(actions, Of(ActionKind::DatabaseRenamed, ActionGroup::Databases),
                    [](const RunAction& a) { return a.target + " (was " + a.detail + ")"; }));
    PrintList("indices removed, to rebuild",
              Items(actions, Of(ActionKind::IndexRemoved, ActionGroup::Databases), Target));
    PrintList("indices to remove and rebuild by hand", run.summary.indicesToRebuild);
}

void PrintFormats(const RunActions& actions) {
    PrintList("data formats added", Items(actions, Of(ActionKind::FormatAdded, ActionGroup::Formats), Target));
    PrintList("data formats corrected",
              Items(actions, Of(ActionKind::FormatCorrected, ActionGroup::Formats), TargetAndDetail));
}

void PrintConfiguration(const RunActions& actions) {
    PrintLines("configuration files",
               Items(
                   actions,
                   [](const RunAction& a) {
                       return a.group == ActionGroup::Configuration &&
                              (a.kind == ActionKind::FileWritten || a.kind == ActionKind::FileMade ||
                               a.kind == ActionKind::FileRenamed);
                   },
                   [](const RunAction& a) {
                       return a.kind == ActionKind::FileRenamed ? a.detail + " became " + FileName(a.target)
                                                                : Detail(a);
                   }));
    PrintLines("configuration values",
               Items(
                   actions,
                   [](const RunAction& a) {
                       return a.group == ActionGroup::Configuration &&
                              (a.kind == ActionKind::ConfigValueReset || a.kind == ActionKind::ConfigSectionDropped);
                   },
                   Detail));
    PrintList("configuration files removed, their contents now in PROFILE.INI",
              Items(actions, Of(ActionKind::FileRemoved, ActionGroup::Configuration), Target));
}

void PrintFiles(const RunContext& run) {
    const RunActions& actions = run.actions;
    PrintList("copied from the package",
              Items(
                  actions,
                  [](const RunAction& a) {
                      return a.kind == ActionKind::FileWritten && a.group == ActionGroup::Files &&
                             a.target.rfind("HOME/bin/", 0) == 0 && a.detail.rfind("a copy of ", 0) != 0;
                  },
                  [](const RunAction& a) {
                      const std::string name = a.target.rfind("HOME/bin/", 0) == 0 ? a.target.substr(9) : a.target;
                      return a.detail.empty() ? name : name + " (" + a.detail + ")";
                  }));
    PrintList("copied from the package as well", Items(
                                                     actions,
                                                     [](const RunAction& a) {
                                                         return a.kind == ActionKind::FileWritten &&
                                                                a.group == ActionGroup::Files &&
                                                                a.target.rfind("HOME/bin/", 0) != 0;
                                                     },
                                                     TargetAndDetail));
    PrintList("folders made", Items(actions, Of(ActionKind::FileMade, ActionGroup::Files), Target));
    PrintList("files renamed", Items(actions, Of(ActionKind::FileRenamed, ActionGroup::Files),
                                     [](const RunAction& a) { return a.target + " (was " + a.detail + ")"; }));
    PrintList("old programs removed", Items(actions, Of(ActionKind::FileRemoved, ActionGroup::Files), Target));
    const RunSummary& s = run.summary;
    if (s.oldProgramsRenamed) {
        ConsolePrint("    the previous release's programs renamed; copies under the old names %s\n",
                     s.oldNamesKept ? "kept" : "not kept");
        // Asked, the administrator saw the names with the question.
        if (run.choices.oldNames != OldNamesChoice::Ask) ConsolePrint("%s\n", OldAndNewProgramNames());
    }
}

bool ChangedNothing(const RunContext& run) {
    for (const RunAction& a : run.actions.done) {
        if (a.group != ActionGroup::Backups && a.group != ActionGroup::Services) return false;
    }
    return run.summary.indicesToRebuild.empty() && !run.summary.oldProgramsRenamed;
}

}  // namespace

bool RunChangedNothing(const RunContext& run) { return !run.actions.ChangedAnything() && run.failedSteps.empty(); }

namespace {

void PrintChanges(const RunContext& run) {
    if (ChangedNothing(run)) {
        ConsolePrint(RunChangedNothing(run) ? "  Nothing was changed: the home is already upgraded.\n"
                                            : "  Changed: nothing\n");
        return;
    }
    ConsolePrint("  Changed:\n");
    PrintDictionary(run.actions);
    PrintDatabases(run);
    PrintFormats(run.actions);
    PrintConfiguration(run.actions);
    PrintFiles(run);
}

void PrintServices(const RunActions& actions, bool planned) {
    const std::vector<std::string> removed =
        Items(actions, Of(ActionKind::ServiceRemoved, ActionGroup::Services), Target);
    const std::vector<std::string> installed =
        Items(actions, Of(ActionKind::ServiceInstalled, ActionGroup::Services), Target);
    if (removed.empty() && installed.empty()) return;
    ConsolePrint("  Services:\n");
    for (const std::string& name : removed) ConsolePrint("    the old service %s removed\n", name.c_str());
    for (const std::string& service : installed) {
        const char* name = service.c_str();
        if (planned) {
            ConsolePrint("    the new service \"%s\" registered, starting with the system\n", name);
        } else if (ServiceIsRunning(name)) {
            ConsolePrint("    the new service \"%s\" registered, starting with the system; it runs now\n", name);
        } else {
            ConsolePrint(
                "    the new service \"%s\" registered, starting with the system; not started: start it with\n", name);
            ConsolePrint("      %s\n", ServiceStartCommand(name).c_str());
        }
    }
}

// What the run left out on purpose, with why: a choice that did not take
// is no success to pass over in silence.
void PrintSkipped(const RunActions& actions) {
    if (actions.skipped.empty()) return;
    ConsolePrint("  Not done:\n");
    for (const SkippedItem& item : actions.skipped)
        ConsolePrint("    %s: %s\n", item.what.c_str(), item.reason.c_str());
}

}  // namespace

void PrintRunSummary(const RunContext& run) {
    ConsolePrint("\nSummary of the upgrade:\n");
    PrintChanges(run);
    const std::vector<std::string> backups = Items(
        run.actions, [](const RunAction& a) { return a.group == ActionGroup::Backups; }, Target);
    if (!backups.empty()) {
        ConsolePrint("  Backups written:\n");
        for (const std::string& backup : backups) ConsolePrint("    %s\n", backup.c_str());
    }
    PrintServices(run.actions, false);
    PrintSkipped(run.actions);
    if (!run.failedSteps.empty()) {
        ConsolePrint("  Steps that failed:\n");
        for (const FailedStep& step : run.failedSteps) ConsolePrint("    %s\n", step.name);
    }
    const std::string log = RunLogPath();
    if (log.empty()) {
        ConsolePrint("  This run has no log.\n\n");
    } else {
        ConsolePrint("  The log of this run: %s\n\n", log.c_str());
    }
}

void PrintRunPlan(const RunContext& run, bool finished) {
    ConsolePrint("\nWhat the upgrade would do:\n");
    if (ChangedNothing(run) && run.failedSteps.empty() && run.stoppedBy.name == nullptr) {
        ConsolePrint("  Nothing: the home is already upgraded.\n");
    } else {
        PrintChanges(run);
    }
    const std::vector<std::string> backups = Items(
        run.actions, [](const RunAction& a) { return a.group == ActionGroup::Backups; }, Target);
    if (!backups.empty()) {
        ConsolePrint("  Backups it would write:\n");
        for (const std::string& backup : backups) ConsolePrint("    %s\n", backup.c_str());
    }
    PrintServices(run.actions, true);
    PrintSkipped(run.actions);
    if (finished) return;
    ConsolePrint("  Steps that would fail:\n");
    const auto show = [](const FailedStep& step) {
        ConsolePrint("    %s: %s\n", step.name, step.cause.empty() ? "(no cause given)" : step.cause.c_str());
    };
    if (run.stoppedBy.name != nullptr) show(run.stoppedBy);
    for (const FailedStep& step : run.failedSteps) show(step);
}
