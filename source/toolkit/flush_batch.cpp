#include "flush_batch.h"

#include <set>

#include "fault_table.h"
#include "power_loss.h"
#include "toolkit_internal.h"

namespace zel::toolkit {
namespace {

struct Owed {
    int batches = 0;  // open Z_BeginDurableBatch calls
    std::set<std::string> folders;
};

Owed& State() {
    static Owed owed;
    return owed;
}

}  // namespace

bool DeferFolderFlush(const std::string& folder) {
    Owed& owed = State();
    if (folder.empty() || (owed.batches == 0 && !JournalDefersFlushOf(folder))) return false;
    owed.folders.insert(folder);
    return true;
}

bool FolderFlushOwed(const std::string& folder) { return State().folders.count(folder) != 0; }

void FolderFlushMade(const std::string& folder) { State().folders.erase(folder); }

bool FlushOwedFolders(Problem& problem, std::string& failed) {
    Owed& owed = State();
    while (!owed.folders.empty()) {
        const std::string folder = *owed.folders.begin();
        // A folder removed since holds nothing to flush: its removal reaches
        // the disk with its own folder, which owes a flush for it.
        FileFacts facts;
        Problem ignored;
        if (PlatformFacts(folder.c_str(), LastName::Itself, facts, ignored) && facts.kind == FileKind::Missing) {
            owed.folders.erase(folder);
            continue;
        }
        if (!PlatformFlushDirectory(folder.c_str(), problem)) {
            failed = folder;
            return false;
        }
        owed.folders.erase(folder);
        NoteDirectoryFlushed(folder.c_str());
    }
    return true;
}

void BeginFlushBatch() { ++State().batches; }

bool EndFlushBatch(Problem& problem, std::string& failed) {
    Owed& owed = State();
    if (owed.batches > 0) --owed.batches;
    return owed.batches > 0 || FlushOwedFolders(problem, failed);
}

}  // namespace zel::toolkit

using namespace zel::toolkit;

int Z_BeginDurableBatch() {
    BeginFlushBatch();
    return 1;
}

int Z_EndDurableBatch() {
    const EntryPoint call("Z_EndDurableBatch", false);
    if (State().batches == 0) return Fail(Z_ERROR_BAD_ARGUMENT, "Z_EndDurableBatch: no batch is open");
    Problem problem;
    std::string failed;
    if (!EndFlushBatch(problem, failed)) {
        return FailProblem("Z_EndDurableBatch", "flush the folder", failed.c_str(), problem);
    }
    return 1;
}
