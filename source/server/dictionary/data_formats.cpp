#include "data_formats.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data_format_table.h"
#include "shell_answers.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

constexpr int DESCRIPTION_SIZE = 256;

// The texts of one table row as the shell takes them, the description in
// the server's native charset.
struct FormatTexts {
    char name[32];
    char className[32];
    char extensions[64];
    char description[DESCRIPTION_SIZE];
};

// The table holds GB18030; any other native charset gets the toolkit's
// translation. False when the toolkit cannot translate it.
bool PrepareTexts(const DataFormatRow& row, int nativeCharset, FormatTexts& texts) {
    std::snprintf(texts.name, sizeof texts.name, "%s", row.name);
    std::snprintf(texts.className, sizeof texts.className, "%s", row.className);
    std::snprintf(texts.extensions, sizeof texts.extensions, "%s", row.extensions);
    if (nativeCharset == Z_CHARSET_GB18030) {
        std::snprintf(texts.description, sizeof texts.description, "%s", row.description);
        return true;
    }
    return Z_TranslateText(row.description, Z_CHARSET_GB18030, texts.description, nativeCharset, 0, DESCRIPTION_SIZE) >=
                   0
               ? 1
               : 0;
}

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

void MakeUnchanged(DataFormatRecord& update) {
    std::memset(&update, 0, sizeof update);
    update.id = 0xFFFF;
    update.flag = 0xFF;
    update.name = update.className = update.extensions = update.description = UNCHANGED_TEXT;
    update.next = nullptr;
}

// Brings one existing record to its table row: old names renamed, then class,
// extensions and description corrected. Formats of the installation's own
// are left alone.
bool CorrectFormat(ObjectEnv* env, const DataFormatRecord& record, int nativeCharset, RunActions* actions) {
    DataFormatRecord update;
    MakeUnchanged(update);
    bool changed = false;

    char renamed[8] = {};
    const char* name = record.name != nullptr ? record.name : "";
    if (ZSTRCMPI(name, "DOC") == 0) {
        std::snprintf(renamed, sizeof renamed, "DOCS");
    } else if (ZSTRCMPI(name, "EML") == 0) {
        std::snprintf(renamed, sizeof renamed, "EMAIL");
    }
    if (renamed[0] != '\0') {
        update.name = renamed;
        changed = true;
        name = renamed;
    }

    FormatTexts texts;
    const DataFormatRow* row = FindDataFormatRow(name);
    if (row != nullptr) {
        if (!PrepareTexts(*row, nativeCharset, texts)) return false;
        if (IsEmpty(record.className) || ZSTRCMPI(record.className, row->className) != 0) {
            update.className = texts.className;
            changed = true;
        }
        if (IsEmpty(record.extensions) || ZSTRCMP(record.extensions, row->extensions) != 0) {
            update.extensions = texts.extensions;
            changed = true;
        }
        if (IsEmpty(record.description) || ZSTRCMP(record.description, texts.description) != 0) {
            update.description = texts.description;
            changed = true;
        }
        // A differing flag rides along with other changes but is no reason
        // to write on its own.
        if (record.flag != row->flag) update.flag = row->flag;
    }

    if (!changed) return true;
    if (UpdateDataFormatInfo(env, record.id, "", &update) == 0) return false;
    const std::string oldName = record.name != nullptr ? record.name : "";
    if (renamed[0] != '\0') {
        actions->Note(ActionKind::FormatCorrected, ActionGroup::Formats, renamed, "renamed from " + oldName);
    } else {
        actions->Note(ActionKind::FormatCorrected, ActionGroup::Formats, oldName);
    }
    return true;
}

bool AddFormat(ObjectEnv* env, const DataFormatRow& row, int nativeCharset) {
    FormatTexts texts;
    if (!PrepareTexts(row, nativeCharset, texts)) return false;
    DataFormatRecord record;
    std::memset(&record, 0, sizeof record);
    record.id = row.id;
    record.flag = row.flag;
    record.name = texts.name;
    record.className = texts.className;
    record.extensions = texts.extensions;
    record.description = texts.description;
    return NewDataFormatInfo(env, &record) != 0;
}

// Adds the rows the dictionary lacks, each with its table id when that is
// free. A row whose id an installation's own format holds waits until every
// other row has its id: the shell then gives it an id no row asks for any
// more, so one taken id never pushes the rows after it off theirs.
bool AddMissingFormats(ObjectEnv* env, int nativeCharset, const std::vector<bool>& idTaken, RunActions* actions) {
    std::vector<const DataFormatRow*> displaced;
    for (const DataFormatRow& row : kDataFormatTable) {
        DataFormatRecord* existing = GetDataFormatInfo(env, 0, "", row.name, "");
        if (existing != nullptr) {
            FreeDataFormatInfo(existing);
            continue;
        }
        if (!ShellFoundNothing()) return false;
        if (idTaken[row.id]) {
            displaced.push_back(&row);
            continue;
        }
        if (!AddFormat(env, row, nativeCharset)) return false;
        actions->Note(ActionKind::FormatAdded, ActionGroup::Formats, row.name);
    }
    for (const DataFormatRow* row : displaced) {
        if (!AddFormat(env, *row, nativeCharset)) return false;
        actions->Note(ActionKind::FormatAdded, ActionGroup::Formats, row->name);
    }
    return true;
}

}  // namespace

bool UpdateDataFormats(ObjectEnv* env, int nativeCharset, RunActions* actions) {
    RunActions ignored;
    if (actions == nullptr) actions = &ignored;
    env->objectKind = OBJECT_DATA_FORMAT;
    DataFormatRecord* chain = GetDataFormatInfo(env, 0, "*", "", "");
    if (chain == nullptr && !ShellFoundNothing()) return false;
    bool result = true;
    std::vector<bool> idTaken(0x10000, false);
    for (DataFormatRecord* record = chain; record != nullptr && result; record = record->next) {
        idTaken[record->id] = true;
        result = CorrectFormat(env, *record, nativeCharset, actions);
    }
    FreeDataFormatInfo(chain);
    if (!result) return false;
    return AddMissingFormats(env, nativeCharset, idTaken, actions);
}
