#include "profile_merge.h"

#include <cstring>
#include <string>

#include "config_paths.h"
#include "config_replace.h"
#include "config_rewrite.h"
#include "config_text.h"
#include "profile_backup.h"
#include "profile_keep_merge.h"
#include "profile_key_tables.h"
#include "profile_section.h"
#include "zelkit.h"

namespace {

constexpr const char* OLD_PUNCT_KEY = "IgnoreSenPunct=";
constexpr size_t OLD_PUNCT_KEY_LENGTH = 15;
constexpr const char* NEW_PUNCT_KEY = "IgnorePunct=";
constexpr size_t NEW_PUNCT_KEY_LENGTH = 12;

// Loads the nine sections of the installed profile. False when it cannot be
// opened or read.
bool LoadInstalledProfile(const char* installedPath, ProfileKeyTables& tables) {
    HZFILE file = Z_OpenFile(installedPath, Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) {
        return false;
    }
    char item[Z_MAX_LINE];
    bool loaded = true;
    for (size_t i = 0; i < tables.size(); ++i) {
        if (!LoadProfileSection(file, tables.SectionAt(i), tables.RowsAt(i), item)) {
            loaded = false;
            break;
        }
    }
    CloseReadFile(file);
    return loaded;
}

// IgnorePunct took over from IgnoreSenPunct: the old value moves to the new
// key unless the installed file set the new key itself; either way it is not
// carried under the old key. True when a value moved.
bool MoveRetiredPunctuationKey(ProfileKeyRow* retrieval) {
    ProfileKeyRow* oldRow = nullptr;
    for (ProfileKeyRow* row = retrieval; row->line[0] != '\0'; ++row) {
        if (row->present && ZSTRNCMPI(row->line, OLD_PUNCT_KEY, OLD_PUNCT_KEY_LENGTH) == 0) {
            oldRow = row;
            break;
        }
    }
    if (oldRow == nullptr) {
        return false;
    }
    oldRow->present = 0;
    for (ProfileKeyRow* row = retrieval; row->line[0] != '\0'; ++row) {
        if (!row->present && ZSTRNCMPI(row->line, NEW_PUNCT_KEY, NEW_PUNCT_KEY_LENGTH) == 0) {
            // The value is shorter than the old line minus its longer key, so it fits.
            std::memmove(row->line + NEW_PUNCT_KEY_LENGTH, oldRow->line + OLD_PUNCT_KEY_LENGTH,
                         std::strlen(oldRow->line + OLD_PUNCT_KEY_LENGTH) + 1);
            row->present = 1;
            return true;
        }
    }
    return false;
}

const ProfileKeyRow* FindPresentRow(const ProfileKeyRow* table, const char* key) {
    size_t keyLength = std::strlen(key);
    for (const ProfileKeyRow* row = table; row->line[0] != '\0'; ++row) {
        if (row->present && row->line[keyLength] == '=' && ZSTRNCMPI(row->line, key, keyLength) == 0) {
            return row;
        }
    }
    return nullptr;
}

struct MergeOutcome {
    bool failed = false;
    bool changed = false;
    bool templateHasAutoBatch = false;
};

constexpr const char* AUTOBATCH_SECTION = "AutoBatch";

// The server's start and stop launches live in [AutoBatch]. When the
// template has no such section (the start-up step builds one for homes that
// lack it), every item of the installed section is carried: a merge must not
// drop the launches the server is started with, and several ProgramStart
// lines are normal there. It is written as the start-up step writes it (an
// empty line, the header, the items; comments and blank lines inside the
// section are not carried), so that merging a merged file gives the same
// bytes again.
void CarryInstalledAutoBatch(const char* installedPath, HZFILE newFile, MergeOutcome* outcome) {
    HZFILE installed = Z_OpenFile(installedPath, Z_MODE_READ, 0, nullptr, 0);
    if (installed == nullptr) {
        outcome->failed = true;
        return;
    }
    const int found = Z_SeekProfileSect(installed, AUTOBATCH_SECTION);
    if (found < 0) outcome->failed = true;
    if (found > 0) {
        const bool written = Z_WriteFileLineEx(newFile, "", 1) && Z_WriteFileLineEx(newFile, "[AutoBatch]", 1);
        if (!written) outcome->failed = true;
        char item[Z_MAX_LINE];
        while (written && !outcome->failed) {
            int valuePosition = Z_MAX_LINE;
            const int kind = Z_ReadProfileItem(installed, item, &valuePosition, nullptr, nullptr, nullptr);
            if (kind == 0) break;
            if (kind < 0 || valuePosition <= 0 || valuePosition >= Z_MAX_LINE) {
                outcome->failed = true;
                break;
            }
            const std::string line = std::string(item) + "=" + (item + valuePosition);
            if (!Z_WriteFileLineEx(newFile, line.c_str(), 1)) outcome->failed = true;
        }
    }
    if (Z_FileError(installed)) outcome->failed = true;
    CloseReadFile(installed);
}

// Writes the template's sections into the new file, each carried key with the
// installed value. Comments and blank lines of the template reach the new
// file through the readers' pass-through.
void WriteMergedProfile(HZFILE templateFile, HZFILE newFile, ProfileKeyTables& tables, MergeOutcome* outcome) {
    char section[Z_MAX_LINE];
    char item[Z_MAX_LINE];
    for (;;) {
        int found = Z_ReadProfileSect(templateFile, section, Z_MAX_LINE, newFile);
        if (found < 0) {
            outcome->failed = true;
        }
        if (found <= 0) {
            return;
        }
        const ProfileKeyRow* table = tables.Find(section);
        if (ZSTRCMPI(section, AUTOBATCH_SECTION) == 0) outcome->templateHasAutoBatch = true;
        std::string header = std::string("[") + section + "]";
        if (!Z_WriteFileLineEx(newFile, header.c_str(), 1)) {
            outcome->failed = true;
            return;
        }
        for (;;) {
            int valuePosition = Z_MAX_LINE;
            int kind = Z_ReadProfileItem(templateFile, item, &valuePosition, nullptr, nullptr, newFile);
            if (kind < 0 || (kind > 0 && (valuePosition <= 0 || valuePosition >= Z_MAX_LINE))) {
                outcome->failed = true;
                return;
            }
            if (kind == 0) {
                break;
            }
            const ProfileKeyRow* row = table != nullptr ? FindPresentRow(table, item) : nullptr;
            int written;
            if (row != nullptr) {
                written = Z_WriteFileLineEx(newFile, row->line, 1);
            } else {
                std::string line = std::string(item) + "=" + (item + valuePosition);
                written = Z_WriteFileLineEx(newFile, line.c_str(), 1);
                outcome->changed = true;
            }
            if (!written) {
                outcome->failed = true;
                return;
            }
        }
        if (Z_FileError(templateFile) || Z_FileError(newFile)) {
            outcome->failed = true;
            return;
        }
    }
}

}  // namespace

bool MergeProfile(const char* systemDir, const char* packageDir) {
    ProfileKeyTables tables;

    char installedPath[Z_MAX_PATH];
    char templatePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    if (!JoinConfigPath(installedPath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(templatePath, packageDir, "PROFILE.INI") ||
        !JoinConfigPath(newPath, systemDir, "PROFILE.INI", ".NEW")) {
        return false;
    }
    if (!LoadInstalledProfile(installedPath, tables)) {
        return false;
    }
    MergeOutcome outcome{false, MoveRetiredPunctuationKey(tables.Find("Retrieval"))};

    const auto writeMerged = [&](HZFILE templateFile, HZFILE newFile) {
        WriteMergedProfile(templateFile, newFile, tables, &outcome);
        if (!outcome.failed && !outcome.templateHasAutoBatch) CarryInstalledAutoBatch(installedPath, newFile, &outcome);
        return !outcome.failed;
    };
    // When every template item found its carried value the installed file
    // already says everything the merge would: it stays as it is. A backup
    // that differs from the installed file only in launches was kept by a
    // run whose merge failed, before it added them: it is the
    // administrator's file and stays.
    const auto putInPlace = [&] {
        if (!outcome.changed) return true;
        return BackupDiffersOnlyInLaunches(installedPath) ? ReplaceConfigFile(installedPath, newPath, nullptr)
                                                          : ReplaceConfigFileKeepingBackup(installedPath);
    };
    return RewriteConfigFile(templatePath, newPath, writeMerged, putInPlace);
}

bool MergeProfileKeepingValues(const char* systemDir, const char* packageDir) {
    char installedPath[Z_MAX_PATH];
    char templatePath[Z_MAX_PATH];
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(installedPath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(templatePath, packageDir, "PROFILE.INI") ||
        !JoinConfigPath(backupPath, systemDir, "PROFILE.INI", ".BAK")) {
        return false;
    }
    std::string installed;
    std::string templateText;
    if (!ReadConfigText(installedPath, &installed) || !ReadConfigText(templatePath, &templateText)) return false;
    bool adds = false;
    const std::string merged = MergeProfileKeepingAll(installed, templateText, &adds);
    // Nothing new in the template: the installed file says it all already.
    if (!adds) return true;
    // As in the first merge: a backup that differs only in launches was
    // kept by a run whose merge failed before the launches were added; it
    // is the administrator's file and stays.
    if (!BackupDiffersOnlyInLaunches(installedPath) && !KeepBackupCopy(installedPath, backupPath)) return false;
    return ReplaceConfigText(installedPath, merged);
}
