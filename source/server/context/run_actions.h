// Every change a run makes to the home or the services, noted by the step
// at the point where it makes it, and what the run left out on purpose.
// The summary and the report are both read from this one list, so that
// what the administrator reads and what a deployment tool reads cannot
// part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ActionKind {
    FileWritten,
    FileMade,
    FileRenamed,
    FileRemoved,
    DatabaseMade,
    DatabaseRefilled,
    DatabaseRenamed,
    DatabaseRemoved,
    IndexRemoved,
    FormatAdded,
    FormatCorrected,
    ConfigValueReset,
    ConfigSectionDropped,
    ServiceRemoved,
    ServiceInstalled,
};

// Where the summary lists a change.
enum class ActionGroup { Dictionary, Databases, Formats, Configuration, Files, Backups, Services };

// "file written", "database made" ...: the kind as the report names it.
const char* ActionKindName(ActionKind kind);

struct RunAction {
    ActionKind kind;
    ActionGroup group;
    // A path as HOME/..., or a database, format or service name.
    std::string target;
    // The old name of a rename, or a sentence the summary shows; may be empty.
    std::string detail;
};

struct SkippedItem {
    std::string what;
    std::string reason;
};

// A step that failed, with the toolkit's error as it stood then.
struct FailedStep {
    const char* name;
    uint32_t code;
    std::string cause;
};
FailedStep FailedStepNow(const char* name);

struct RunActions {
    std::vector<RunAction> done;
    std::vector<SkippedItem> skipped;
    // Bytes copied from the package, and bytes of the home's files rewritten
    // in a new form (the dictionary files brought to the current title).
    int64_t bytesCopied = 0;
    int64_t bytesConverted = 0;

    void Note(ActionKind kind, ActionGroup group, std::string target, std::string detail = {});
    void Skip(std::string what, std::string reason);
    // A change put back by the run (the old service registered again after
    // a stop) is no change any more.
    void Withdraw(ActionKind kind, const std::string& target);
    bool Has(ActionKind kind) const;
    bool ChangedAnything() const { return !done.empty(); }
};

// "HOME/" followed by the parts, joined by '/': how messages name a file
// of the home, whatever the system's separator.
std::string HomeTarget(const std::string& relative);
// The same for a full path inside home; a path outside it stays as it is.
std::string HomeTarget(const std::string& home, const std::string& path);
