// The indices built with a segment or stop lexicon that this run refilled
// no longer match it: they are listed, and with "DIC:RIX" removed, for the
// administrator to rebuild.
#include "dependent_indices.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "console.h"
#include "shell_answers.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

constexpr uint32_t kNoLexicon = 0xFFFFFFFF;

void PrintHeader(int dictionaryMode) {
    if (dictionaryMode == DICTIONARY_MODE_REW) {
        ConsolePrint("\nPlease remove and rebuild these indices manually!!!\n");
    } else {
        ConsolePrint("\nDeleting the indices of related databases...\nPlease rebuild these indices manually!!!\n");
    }
    ConsolePrint("\a\a");
}

}  // namespace

bool RemoveDependentIndices(RunContext& run) {
    ObjectEnv* env = &run.env;
    const uint32_t replacedSegmentId = run.outcome.replacedSegmentId;
    const uint32_t replacedStopId = run.outcome.replacedStopId;
    if (replacedSegmentId == 0 && replacedStopId == 0) return true;
    // An id that was not refilled must match no database, hence all ones.
    const uint32_t segmentKey = replacedSegmentId != 0 ? replacedSegmentId : kNoLexicon;
    const uint32_t stopKey = replacedStopId != 0 ? replacedStopId : kNoLexicon;

    tagZKS_RemoveDBIndex request;
    std::memset(&request, 0, sizeof request);
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* list = GetDatabaseInfo(env, 0, "*", "*");
    // A failed listing must not pass for "no index depends on them".
    if (list == nullptr) return ShellFoundNothing();

    bool result = true;
    int matches = 0;
    for (const DatabaseRecord* db = list; db != nullptr; db = db->next) {
        if (db->indexSegmentId != segmentKey && db->indexStopId != stopKey) continue;
        if (matches == 0) PrintHeader(run.choices.dictionaryMode);
        const std::string database = std::string(db->owner ? db->owner : "") + "." + (db->name ? db->name : "");
        ConsolePrint("\t%s\n", database.c_str());
        if (run.choices.dictionaryMode == DICTIONARY_MODE_RIX) {
            request.databaseId = db->id;
            if (ZKF_RemoveDBIndices(&request) == 0) {
                result = false;
                break;
            }
            run.actions.Note(ActionKind::IndexRemoved, ActionGroup::Databases, database, "to rebuild");
        } else {
            run.summary.indicesToRebuild.push_back(database);
        }
        ++matches;
    }
    FreeDatabaseInfo(list);
    return result;
}
