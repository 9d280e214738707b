// The scan of the installed "SYSTEM" lexicons that comes before any lexicon
// is created: older releases used other names for some of them, and a
// lexicon that exists must not be created a second time.
#include <cstdio>
#include <cstring>
#include <string>

#include "shell_answers.h"
#include "system_lexicon_table.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

enum class Effect {
    None,
    NotNeededOrId,  // add mode: not needed; modify mode: its id is recorded
    NotNeeded,      // both modes
    StopEnglish,    // modify mode: the STOP_ENGLISH id is recorded
};

struct ScanEntry {
    const char* name;
    Effect effect;
    int lexicon;          // the lexicon the effect is about
    const char* newName;  // null: the name stays
};

constexpr ScanEntry kScanTable[] = {
    {"SEGMENT_GB", Effect::NotNeededOrId, SEGMENT_GB, nullptr},
    {"STOP_GB", Effect::NotNeededOrId, STOP_GB, nullptr},
    {"IDEO_ALL_GB", Effect::NotNeeded, IDEO_ALL_GB, nullptr},
    {"SEGMENT_BIG5", Effect::NotNeededOrId, SEGMENT_BIG5, nullptr},
    {"STOP_BIG5", Effect::NotNeededOrId, STOP_BIG5, nullptr},
    {"IDEO_ALL_BIG5", Effect::NotNeeded, IDEO_ALL_BIG5, nullptr},
    {"SEGMENT_UTF8", Effect::NotNeededOrId, SEGMENT_UTF8, nullptr},
    {"STOP_UTF8", Effect::NotNeededOrId, STOP_UTF8, nullptr},
    {"IDEO_ALL_UTF8", Effect::NotNeeded, IDEO_ALL_UTF8, nullptr},
    {"SEGMENT_BIG", Effect::NotNeededOrId, SEGMENT_BIG5, "SEGMENT_BIG5"},
    {"STOP_BIG", Effect::NotNeededOrId, STOP_BIG5, "STOP_BIG5"},
    {"STOP_ENG", Effect::StopEnglish, -1, "STOP_ENGLISH"},
    // Under its new name too: a run stopped after the rename leaves it so,
    // and the rerun must still enter it in the charset entry of code 0x30.
    {"STOP_ENGLISH", Effect::StopEnglish, -1, nullptr},
    {"CHINESE_ALL_GB", Effect::NotNeeded, IDEO_ALL_GB, "IDEO_ALL_GB"},
    {"CHINESE_ALL_BIG", Effect::NotNeeded, IDEO_ALL_BIG5, "IDEO_ALL_BIG5"},
    {"IDEO_ALL_BIG", Effect::NotNeeded, IDEO_ALL_BIG5, "IDEO_ALL_BIG5"},
    {"ANTONYM_BIG", Effect::None, -1, "ANTONYM_BIG5"},
    {"SYNONYM_BIG", Effect::None, -1, "SYNONYM_BIG5"},
    {"THESAURUS_BIG", Effect::None, -1, "THESAURUS_BIG5"},
};

const ScanEntry* FindScanEntry(const char* name) {
    if (name == nullptr) return nullptr;
    for (const ScanEntry& entry : kScanTable) {
        if (ZSTRCMPI(name, entry.name) == 0) return &entry;
    }
    return nullptr;
}

bool IsScannedKind(uint32_t kind) {
    return kind == DB_KIND_SEGMENT_LEXICON || kind == DB_KIND_STOP_LEXICON || kind == DB_KIND_THESAURUS ||
           kind == DB_KIND_SYNONYM || kind == DB_KIND_ANTONYM;
}

void NotePresence(const DatabaseRecord& db, LexiconScan* scan) {
    switch (db.charsetCode) {
        case CHARSET_CODE_GB18030: scan->presentGb = true; break;
        case CHARSET_CODE_BIG5: scan->presentBig5 = true; break;
        case CHARSET_CODE_UTF8: scan->presentUtf8 = true; break;
        default: break;
    }
}

void ApplyEffect(const ScanEntry& entry, const DatabaseRecord& db, RunContext& run, LexiconScan* scan) {
    const bool modify = run.choices.dictionaryMode != DICTIONARY_MODE_ADD;
    switch (entry.effect) {
        case Effect::NotNeededOrId:
            if (modify) {
                run.outcome.lexiconIds[entry.lexicon] = db.id;
            } else {
                scan->needed[entry.lexicon] = false;
            }
            break;
        case Effect::NotNeeded: scan->needed[entry.lexicon] = false; break;
        case Effect::StopEnglish:
            if (modify) run.outcome.stopEnglishId = db.id;
            break;
        case Effect::None: break;
    }
}

// A rename request: every field says "no change" but the names and the
// record count.
bool RenameLexicon(ObjectEnv* env, const DatabaseRecord& db, const char* newName) {
    uint32_t recordCount = 0xFFFFFFFF;
    if (db.recordCount == 0) {
        // A count the kernel cannot give would be stored as a wrong one.
        const int64_t counted = ZKF_CountDBRecords(db.id, nullptr);
        if (counted < 0) return false;
        recordCount = static_cast<uint32_t>(counted);
    }
    // The shell takes the texts as writable; the new names are short
    // constants of the scan table.
    char newNameText[32];
    std::snprintf(newNameText, sizeof newNameText, "%s", newName);

    DatabaseRecord request;
    std::memset(&request, 0xFF, sizeof request);
    request.name = newNameText;
    request.secondName = db.name;
    request.owner = UNCHANGED_TEXT;
    request.text96 = request.text104 = request.text112 = request.text120 = request.text128 = UNCHANGED_TEXT;
    request.directory = request.text176 = request.description = UNCHANGED_TEXT;
    request.next = nullptr;
    request.recordCount = recordCount;

    env->objectKind = OBJECT_DATABASE;
    return UpdateDatabaseInfo(env, db.id, "", "", &request) != 0;
}

bool ScanRecord(RunContext& run, const DatabaseRecord& db, LexiconScan* scan) {
    ObjectEnv* env = &run.env;
    NotePresence(db, scan);
    const ScanEntry* entry = nullptr;
    if (db.owner != nullptr && ZSTRCMPI(db.owner, "SYSTEM") == 0) {
        entry = FindScanEntry(db.name);
        if (entry != nullptr) ApplyEffect(*entry, db, run, scan);
    }
    if (entry != nullptr && entry->newName != nullptr) {
        if (!RenameLexicon(env, db, entry->newName)) return false;
        run.actions.Note(ActionKind::DatabaseRenamed, ActionGroup::Databases, std::string("SYSTEM.") + entry->newName,
                         std::string("SYSTEM.") + db.name);
        return true;
    }
    if (db.recordCount != 0) return true;
    env->objectKind = OBJECT_DATABASE;
    return UpdateBaseRecordNum(env, db.id, "", "", 0, -1) != 0;
}

}  // namespace

bool ScanSystemLexicons(RunContext& run, LexiconScan* scan) {
    ObjectEnv* env = &run.env;
    for (bool& needed : scan->needed) needed = true;
    scan->presentGb = scan->presentBig5 = scan->presentUtf8 = false;
    scan->entityId = 0;

    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "SYSTEM", "*");
    // Read as "no lexicons", a failed listing would have every lexicon
    // created a second time.
    if (chain == nullptr && !ShellFoundNothing()) return false;
    bool status = true;
    for (const DatabaseRecord* db = chain; db != nullptr && status; db = db->next) {
        if (db->kind == DB_KIND_ENTITY_LEXICON) {
            scan->entityId = db->id;
        } else if (IsScannedKind(db->kind)) {
            status = ScanRecord(run, *db, scan);
        }
    }
    if (chain != nullptr) FreeDatabaseInfo(chain);
    return status;
}
