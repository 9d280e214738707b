#include "profile_draft_write.h"

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
    if (taken.held) {
        if (taken.backupOwed && !(taken.made ? KeepBackupText(taken.madeText, backupPath)
                                             : KeepBackupCopy(profilePath, backupPath))) {
            return false;
        }
        if (!ReplaceConfigText(profilePath, taken.text)) return false;
        if (written != nullptr) *written = true;
    }
    FirstFailure failure;
    for (const std::string& path : taken.afterWrite) {
        if (!Z_DeleteFile(path.c_str())) failure.Note();
    }
    return failure.Restore();
}
