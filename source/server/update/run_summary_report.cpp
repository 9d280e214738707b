#include "run_summary_report.h"

#include <string>
#include <vector>

#include "console.h"
#include "program_rename.h"
#include "service_migration.h"

namespace {

// Lists longer than a line are wrapped, each line within this width.
constexpr size_t kLineWidth = 100;

// "    label: a, b, c", wrapped under the first item.
void PrintList(const char* label, const std::vector<std::string>& items) {
    if (items.empty()) return;
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

void PrintCount(const char* label, int count) {
    if (count > 0) ConsolePrint("    %s: %d\n", label, count);
}

bool ChangedNothing(const RunSummary& s) {
    return s.dictionaryFilesUpdated == 0 && s.lexiconsMade.empty() && s.lexiconsRefilled.empty() &&
           s.databasesMade.empty() && s.databasesRefilled.empty() && s.indicesRemoved.empty() &&
           s.indicesToRebuild.empty() && s.formatsAdded == 0 && s.configFiles.empty() && s.configNotes.empty() &&
           s.programsCopied.empty() && !s.oldProgramsRenamed;
}

}  // namespace

bool RunChangedNothing(const RunContext& run) {
    const RunSummary& s = run.summary;
    // A native character set set in this run (one is chosen only for a home
    // without one; a database may refuse it, which sets nothing) and the
    // system databases made anew count as changes even where the summary
    // has no line for them: "nothing was changed" must never be said of a
    // run that changed something.
    const bool charsetSet =
        run.outcome.nativeCharsetChosen != 0 && run.nativeCharset == run.outcome.nativeCharsetChosen;
    return ChangedNothing(s) && s.backups.empty() && !s.oldServiceRemoved && s.newService.empty() &&
           run.failedSteps.empty() && !charsetSet && !run.outcome.newSystemDatabase;
}

namespace {

void PrintChanges(const RunContext& run) {
    const RunSummary& s = run.summary;
    if (RunChangedNothing(run)) {
        ConsolePrint("  Nothing was changed: the home is already upgraded.\n");
        return;
    }
    if (ChangedNothing(s)) {
        ConsolePrint("  Changed: nothing\n");
        return;
    }
    ConsolePrint("  Changed:\n");
    PrintCount("dictionary files brought to the current title", s.dictionaryFilesUpdated);
    PrintList("lexicons made", s.lexiconsMade);
    PrintList("lexicons refilled", s.lexiconsRefilled);
    PrintList("system databases made", s.databasesMade);
    PrintList("system databases refilled", s.databasesRefilled);
    PrintList("indices removed, to rebuild", s.indicesRemoved);
    PrintList("indices to remove and rebuild by hand", s.indicesToRebuild);
    PrintCount("data formats added", s.formatsAdded);
    PrintLines("configuration files", s.configFiles);
    PrintLines("configuration values", s.configNotes);
    PrintList("copied from the package", s.programsCopied);
    if (s.oldProgramsRenamed) {
        ConsolePrint("    the previous release's programs renamed; copies under the old names %s\n",
                     s.oldNamesKept ? "kept" : "not kept");
        // Asked, the administrator saw the names with the question.
        if (run.choices.oldNames != OldNamesChoice::Ask) ConsolePrint("%s\n", OldAndNewProgramNames());
    }
}

void PrintServices(const RunSummary& s) {
    if (!s.oldServiceRemoved && s.newService.empty()) return;
    ConsolePrint("  Services:\n");
    if (s.oldServiceRemoved) ConsolePrint("    the old service ZEL40SERVICE removed\n");
    if (s.newService.empty()) return;
    const char* name = s.newService.c_str();
    if (ServiceIsRunning(name)) {
        ConsolePrint("    the new service \"%s\" registered, starting with the system; it runs now\n", name);
    } else {
        ConsolePrint("    the new service \"%s\" registered, starting with the system; not started: start it with\n",
                     name);
        ConsolePrint("      %s\n", ServiceStartCommand(name).c_str());
    }
}

}  // namespace

void PrintRunSummary(const RunContext& run) {
    const RunSummary& s = run.summary;
    ConsolePrint("\nSummary of the upgrade:\n");
    PrintChanges(run);
    if (!s.backups.empty()) {
        ConsolePrint("  Backups written:\n");
        for (const std::string& backup : s.backups) ConsolePrint("    %s\n", backup.c_str());
    }
    PrintServices(s);
    if (!run.failedSteps.empty()) {
        ConsolePrint("  Steps that failed:\n");
        for (const char* step : run.failedSteps) ConsolePrint("    %s\n", step);
    }
    const std::string log = RunLogPath();
    if (log.empty()) {
        ConsolePrint("  This run has no log.\n\n");
    } else {
        ConsolePrint("  The log of this run: %s\n\n", log.c_str());
    }
}
