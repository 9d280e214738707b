#include "profile_draft_write.h"

#include <string>
#include <utility>

#include "config_paths.h"
#include "config_replace.h"
#include "config_text.h"
#include "first_failure.h"
#include "zelkit.h"

bool ProfileText(const char* profilePath, const ProfileDraft& draft, std::string* text) {
    if (!draft.held) return ReadConfigText(profilePath, text);
    *text = draft.text;
    return true;
}

bool WriteProfileDraft(const char* profilePath, ProfileDraft* draft, bool* written) {
    ProfileDraft taken = std::move(*draft);
    *draft = ProfileDraft{};
    if (written != nullptr) *written = false;
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(backupPath, profilePath, ".BAK")) return false;
    // A profile that holds the draft's very bytes already is not written,
    // and owes no backup: a backup would only push the one an earlier run
    // kept, the configuration as it was before the upgrade, to a numbered
    // name. A profile that cannot be read here is written, as it always was.
    std::string installed;
    if (taken.held && !taken.made && Z_FileExists(profilePath) > 0 && ReadConfigText(profilePath, &installed) &&
        installed == taken.text) {
        taken.held = false;
    }
    if (taken.held) {
        if (taken.backupOwed && !(taken.made ? KeepBackupText(taken.madeText, backupPath)
                                             : KeepInstalledBackup(profilePath, backupPath))) {
            return false;
        }
        if (!ReplaceConfigText(profilePath, taken.text)) {
            // A failure after the new text took the name (its folder's
            // flush) still leaves it written: the backup is no longer owed,
            // and taking one now would keep the new text as the old.
            FirstFailure failure;
            failure.Note();
            std::string now;
            if (written != nullptr && ReadConfigText(profilePath, &now) && now == taken.text) *written = true;
            return failure.Restore();
        }
        if (written != nullptr) *written = true;
    }
    FirstFailure failure;
    for (const std::string& path : taken.afterWrite) {
        if (!Z_DeleteFile(path.c_str())) failure.Note();
    }
    return failure.Restore();
}
