// The indices built with a segment or stop lexicon that this run refilled
// no longer match it: they are listed, and with "DIC:RIX" removed, for the
// administrator to rebuild.
#include "server/lexicon/dependent_indices.h"

#include <cstdio>
#include <cstring>

#include "server/dictionary/shell_answers.h"
#include "server/host/zemkernel.h"
#include "server/host/zemshell.h"
#include "server/update/upgrade_state.h"

namespace {

constexpr uint32_t kNoLexicon = 0xFFFFFFFF;

void PrintHeader() {
    if (g_dictionaryMode < 0) {
        std::printf("\nPlease remove and rebuild these indices manually!!!\n");
    } else {
        std::printf("\nDeleting the indices of related databases...\nPlease rebuild these indices manually!!!\n");
    }
    std::printf("\a\a");
    std::fflush(stdout);
}

}  // namespace

int RemoveDependentIndices(ObjectEnv* env) {
    if (g_replacedSegmentId == 0 && g_replacedStopId == 0) return 1;
    // An id that was not refilled must match no database, hence all ones.
    const uint32_t segmentKey = g_replacedSegmentId != 0 ? g_replacedSegmentId : kNoLexicon;
    const uint32_t stopKey = g_replacedStopId != 0 ? g_replacedStopId : kNoLexicon;

    tagZKS_RemoveDBIndex request;
    std::memset(&request, 0, sizeof request);
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* list = GetDatabaseInfo(env, 0, "*", "*");
    // A failed listing must not pass for "no index depends on them".
    if (list == nullptr) return ShellFoundNothing() ? 1 : 0;

    int result = 1;
    int matches = 0;
    for (const DatabaseRecord* db = list; db != nullptr; db = db->next) {
        if (db->indexSegmentId != segmentKey && db->indexStopId != stopKey) continue;
        if (matches == 0) PrintHeader();
        std::printf("\t%s.%s\n", db->owner ? db->owner : "", db->name ? db->name : "");
        std::fflush(stdout);
        if (g_dictionaryMode > 0) {
            request.databaseId = db->id;
            if (ZKF_RemoveDBIndices(&request) == 0) {
                result = 0;
                break;
            }
        }
        ++matches;
    }
    FreeDatabaseInfo(list);
    return result;
}
