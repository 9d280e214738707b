#include "system_config.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "charset_numbers.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

constexpr uint16_t RESOLVED_FIELD_VALUE = 24;

void MakeUnchanged(SystemConfigRecord& update) {
    std::memset(&update, 0xFF, sizeof update);
    update.text0 = update.text48 = update.text56 = update.text64 = UNCHANGED_TEXT;
    update.charsets = nullptr;
}

// Z_MemDetect(8) as the record's 16-bit figure. A figure too large for it
// stands at the largest one an update can set (0xFFFF there means "no
// change") rather than wrapping to a small one.
constexpr uint16_t LARGEST_MEMORY_FIGURE = 0xFFFE;

// False, with the last error set, when the system cannot tell.
bool DetectedMemory(uint16_t* figure) {
    Z_SetLastErrorText(Z_ERROR_NONE, "");
    const uint64_t detected = Z_MemDetect(8);
    if (detected == 0 && Z_GetLastError() != Z_ERROR_NONE) return false;
    *figure = detected > LARGEST_MEMORY_FIGURE ? LARGEST_MEMORY_FIGURE : static_cast<uint16_t>(detected);
    return true;
}

// The ids recorded in this run for one lexicon charset code (0 = none). The
// segmentation lexicon of code 0x30 is never recorded, so the old entry's
// id stays.
CharsetEntry RecordedIds(const DictionaryOutcome& outcome, uint16_t code) {
    CharsetEntry ids;
    std::memset(&ids, 0, sizeof ids);
    int relationIndex = RelationCharsetIndexOf(code);
    switch (code) {
        case CHARSET_CODE_GB18030:
            ids.segmentId = outcome.lexiconIds[SEGMENT_GB];
            ids.stopId = outcome.lexiconIds[STOP_GB];
            break;
        case CHARSET_CODE_BIG5:
            ids.segmentId = outcome.lexiconIds[SEGMENT_BIG5];
            ids.stopId = outcome.lexiconIds[STOP_BIG5];
            break;
        case CHARSET_CODE_UTF8:
            ids.segmentId = outcome.lexiconIds[SEGMENT_UTF8];
            ids.stopId = outcome.lexiconIds[STOP_UTF8];
            break;
        case CHARSET_CODE_NONE: ids.stopId = outcome.stopEnglishId; break;
        default: break;
    }
    if (relationIndex >= 0) {
        ids.thesaurusId = outcome.relationIds[RELATION_THESAURUS][relationIndex];
        ids.synonymId = outcome.relationIds[RELATION_SYNONYM][relationIndex];
        ids.antonymId = outcome.relationIds[RELATION_ANTONYM][relationIndex];
    }
    return ids;
}

void TakeRecorded(uint32_t& field, uint32_t recorded) {
    if (recorded != 0) field = recorded;
}

// The old entry of a code with this run's ids put over it.
CharsetEntry MergedEntry(const SystemConfigRecord& config, const DictionaryOutcome& outcome, uint16_t code) {
    CharsetEntry entry;
    std::memset(&entry, 0, sizeof entry);
    for (uint16_t i = 0; config.charsets != nullptr && i < config.charsetCount; ++i) {
        if (config.charsets[i].code == code) {
            entry = config.charsets[i];
            break;
        }
    }
    CharsetEntry recorded = RecordedIds(outcome, code);
    TakeRecorded(entry.segmentId, recorded.segmentId);
    TakeRecorded(entry.stopId, recorded.stopId);
    TakeRecorded(entry.thesaurusId, recorded.thesaurusId);
    TakeRecorded(entry.synonymId, recorded.synonymId);
    TakeRecorded(entry.antonymId, recorded.antonymId);
    entry.code = code;
    return entry;
}

bool HasAnyId(const CharsetEntry& entry) {
    return entry.segmentId != 0 || entry.stopId != 0 || entry.thesaurusId != 0 || entry.synonymId != 0 ||
           entry.antonymId != 0;
}

}  // namespace

bool UpdateSystemConfig(RunContext& run) {
    ObjectEnv* env = &run.env;
    const DictionaryOutcome& outcome = run.outcome;
    env->objectKind = OBJECT_SYSTEM_CONFIG;
    uint16_t detected = 0;
    if (!DetectedMemory(&detected)) return false;
    SystemConfigRecord* config = GetSystemCFGInfo(env);
    if (config == nullptr) return false;

    SystemConfigRecord update;
    MakeUnchanged(update);
    bool changed = false;
    std::vector<std::string> reset;
    if (config->field18 == RESOLVED_FIELD_VALUE) {
        update.field18 = 0;
        changed = true;
        reset.push_back("field18");
    }
    if (config->field20 == RESOLVED_FIELD_VALUE) {
        update.field20 = 0;
        changed = true;
        reset.push_back("field20");
    }
    if (detected > config->memory) {
        update.memory = detected;
        changed = true;
    }

    // Noted once the record is written.
    const auto noteResets = [&] {
        for (const std::string& field : reset) {
            run.actions.Note(ActionKind::ConfigValueReset, ActionGroup::Dictionary, field,
                             std::to_string(RESOLVED_FIELD_VALUE) + " -> 0");
        }
        if (detected > config->memory) {
            run.actions.Note(ActionKind::ConfigValueReset, ActionGroup::Dictionary, "memory",
                             std::to_string(config->memory) + " -> " + std::to_string(detected));
        }
    };
    if (!outcome.newSystemDatabase) {
        bool result = true;
        if (outcome.nativeCharsetChosen != 0 || changed) result = UpdateSystemCFGInfo(env, &update) != 0;
        if (result && changed) noteResets();
        FreeSystemCFGInfo(config);
        return result;
    }

    // The server finds each charset's system lexicons and relation databases
    // through this list; a code keeps its place only when it has any id.
    constexpr uint16_t kCodes[] = {CHARSET_CODE_GB18030, CHARSET_CODE_BIG5, CHARSET_CODE_UTF8, CHARSET_CODE_NONE};
    CharsetEntry entries[std::size(kCodes)];
    uint16_t kept = 0;
    for (uint16_t code : kCodes) {
        CharsetEntry entry = MergedEntry(*config, outcome, code);
        if (HasAnyId(entry)) entries[kept++] = entry;
    }
    update.charsetCount = kept;
    update.charsets = entries;
    const bool result = UpdateSystemCFGInfo(env, &update) != 0;
    if (result) {
        noteResets();
        run.actions.Note(ActionKind::ConfigValueReset, ActionGroup::Dictionary, "charsets",
                         "the list of each character set's system lexicons and relation databases");
    }
    FreeSystemCFGInfo(config);
    return result;
}
