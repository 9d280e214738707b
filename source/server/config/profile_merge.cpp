#include "profile_merge.h"

#include <cstring>
#include <string>
#include <vector>

#include "config_paths.h"
#include "config_text.h"
#include "profile_backup.h"
#include "profile_draft_write.h"
#include "profile_keep_merge.h"
#include "profile_key_tables.h"
#include "profile_section.h"
#include "profile_text.h"
#include "zelkit.h"

using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileLineKind;
using zel::toolkit::ProfileTextLines;

namespace {

constexpr const char* OLD_PUNCT_KEY = "IgnoreSenPunct=";
constexpr size_t OLD_PUNCT_KEY_LENGTH = 15;
constexpr const char* NEW_PUNCT_KEY = "IgnorePunct=";
constexpr size_t NEW_PUNCT_KEY_LENGTH = 12;

// Loads the nine sections of the installed profile. False when a line of
// one is longer than the readers take.
bool LoadInstalledProfile(const std::string& installed, const char* installedPath, ProfileKeyTables& tables) {
    for (size_t i = 0; i < tables.size(); ++i) {
        if (!LoadProfileSection(installed, installedPath, tables.SectionAt(i), tables.RowsAt(i))) return false;
    }
    return true;
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
void CarryInstalledAutoBatch(const std::string& installed, const char* installedPath, std::string* merged,
                             MergeOutcome* outcome) {
    std::vector<ProfileLine> items;
    bool found = false;
    if (!ProfileSectionItems(installed, installedPath, AUTOBATCH_SECTION, &items, &found)) {
        outcome->failed = true;
        return;
    }
    if (!found) return;
    *merged += std::string(Z_LINE_END) + "[AutoBatch]" + Z_LINE_END;
    for (const ProfileLine& item : items) *merged += item.name + "=" + item.value + Z_LINE_END;
}

// Writes the template's sections, each carried key with the installed
// value. Every other line of the template (comments, blank lines, anything
// before its first section) is copied as it is, with a CR LF line end, as
// the file readers pass it through.
void WriteMergedProfile(const std::string& templateText, const char* templatePath, ProfileKeyTables& tables,
                        std::string* merged, MergeOutcome* outcome) {
    const ProfileKeyRow* table = nullptr;
    bool inSection = false;
    ProfileTextLines lines(templateText);
    while (lines.Next()) {
        const std::string& raw = lines.Line();
        if (LineTooLong(raw, templatePath)) {
            outcome->failed = true;
            return;
        }
        const ProfileLine line = ParseProfileLine(raw);
        if (line.kind == ProfileLineKind::Header) {
            inSection = true;
            table = tables.Find(line.name.c_str());
            if (ZSTRCMPI(line.name.c_str(), AUTOBATCH_SECTION) == 0) outcome->templateHasAutoBatch = true;
            *merged += "[" + line.name + "]" + Z_LINE_END;
        } else if (inSection && line.kind == ProfileLineKind::Item) {
            const ProfileKeyRow* row = table != nullptr ? FindPresentRow(table, line.name.c_str()) : nullptr;
            if (row != nullptr) {
                *merged += std::string(row->line) + Z_LINE_END;
            } else {
                *merged += line.name + "=" + line.value + Z_LINE_END;
                outcome->changed = true;
            }
        } else {
            *merged += raw + Z_LINE_END;
        }
    }
}

struct MergePaths {
    char installed[Z_MAX_PATH];
    char templateFile[Z_MAX_PATH];
    char backup[Z_MAX_PATH];
};

bool JoinMergePaths(const char* systemDir, const char* packageDir, MergePaths* paths) {
    return JoinConfigPath(paths->installed, systemDir, "PROFILE.INI") &&
           JoinConfigPath(paths->templateFile, packageDir, "PROFILE.INI") &&
           JoinConfigPath(paths->backup, systemDir, "PROFILE.INI", ".BAK");
}

// The merged text takes the profile's place in the draft. A backup that
// differs from the profile only in launches was kept by a run whose merge
// failed, before it added them: it is the administrator's file and stays;
// otherwise the profile as it was is owed to the backup.
bool TakeMerged(const MergePaths& paths, const std::string& installed, const std::string& merged,
                ProfileDraft* draft, std::string* before) {
    const int onlyLaunches = BackupDiffersOnlyInLaunches(installed, paths.backup);
    if (onlyLaunches < 0) return false;
    // A merge that gives back exactly the installed bytes changes nothing:
    // a backup would only overwrite the one of an earlier run, the one copy
    // of the configuration as it was before the upgrade.
    if (merged == installed) return true;
    if (onlyLaunches == 0) draft->backupOwed = true;
    draft->held = true;
    draft->text = merged;
    *before = installed;
    return true;
}

// Writes the draft of a merge of the installed file at once.
bool MergeInPlace(const char* systemDir, const char* packageDir,
                  bool (*merge)(const char*, const char*, ProfileDraft*, std::string*)) {
    char profilePath[Z_MAX_PATH];
    if (!JoinConfigPath(profilePath, systemDir, "PROFILE.INI")) return false;
    ProfileDraft draft;
    std::string before;
    return merge(systemDir, packageDir, &draft, &before) && WriteProfileDraft(profilePath, &draft);
}

}  // namespace

bool DraftProfileMerge(const char* systemDir, const char* packageDir, ProfileDraft* draft, std::string* before) {
    before->clear();
    ProfileKeyTables tables;
    MergePaths paths;
    std::string installed;
    std::string templateText;
    if (!JoinMergePaths(systemDir, packageDir, &paths) || !ProfileText(paths.installed, *draft, &installed) ||
        !LoadInstalledProfile(installed, paths.installed, tables) ||
        !ReadConfigText(paths.templateFile, &templateText)) {
        return false;
    }
    MergeOutcome outcome{false, MoveRetiredPunctuationKey(tables.Find("Retrieval"))};
    std::string merged;
    WriteMergedProfile(templateText, paths.templateFile, tables, &merged, &outcome);
    if (!outcome.failed && !outcome.templateHasAutoBatch) {
        CarryInstalledAutoBatch(installed, paths.installed, &merged, &outcome);
    }
    if (outcome.failed) return false;
    // When every template item found its carried value the installed file
    // already says everything the merge would: it stays as it is.
    if (!outcome.changed) return true;
    return TakeMerged(paths, installed, merged, draft, before);
}

bool DraftProfileMergeKeepingValues(const char* systemDir, const char* packageDir, ProfileDraft* draft,
                                    std::string* before) {
    before->clear();
    MergePaths paths;
    std::string installed;
    std::string templateText;
    if (!JoinMergePaths(systemDir, packageDir, &paths) || !ProfileText(paths.installed, *draft, &installed) ||
        !ReadConfigText(paths.templateFile, &templateText)) {
        return false;
    }
    bool adds = false;
    const std::string merged = MergeProfileKeepingAll(installed, templateText, &adds);
    // Nothing new in the template: the installed file says it all already.
    if (!adds) return true;
    return TakeMerged(paths, installed, merged, draft, before);
}

bool MergeProfile(const char* systemDir, const char* packageDir) {
    return MergeInPlace(systemDir, packageDir, DraftProfileMerge);
}

bool MergeProfileKeepingValues(const char* systemDir, const char* packageDir) {
    return MergeInPlace(systemDir, packageDir, DraftProfileMergeKeepingValues);
}
