#include "legacy_profile.h"

#include <string>

#include "config_paths.h"
#include "legacy_config_convert.h"
#include "profile_draft_write.h"
#include "zelkit.h"

bool DraftLegacyProfile(const char* systemDir, bool finishInterrupted, ProfileDraft* draft) {
    char profilePath[Z_MAX_PATH];
    char cachePath[Z_MAX_PATH];
    char netPath[Z_MAX_PATH];
    if (!JoinConfigPath(profilePath, systemDir, "PROFILE.INI") || !JoinConfigPath(cachePath, systemDir, "CACHE.CFG") ||
        !JoinConfigPath(netPath, systemDir, "NET.CFG")) {
        return false;
    }
    const int there = Z_FileExists(profilePath);
    if (there < 0) return false;
    const bool made = there > 0;
    if (made && !finishInterrupted) {
        return true;
    }
    // The profile takes its name only when complete, and the old files go
    // only after that: a half-made PROFILE.INI would stop every later run
    // from converting them again.
    std::string text;
    int deleteCache = 0;
    int deleteNet = 0;
    if (!ConvertCacheConfig(&text, cachePath, &deleteCache) || !ConvertNetConfig(&text, netPath, &deleteNet)) {
        return false;
    }
    if (made) {
        // Converted again only to learn which old files the profile took
        // over; the profile itself is the interrupted run's, since merged.
        // One that stays fails the step.
        return (!deleteCache || Z_DeleteFile(cachePath)) && (!deleteNet || Z_DeleteFile(netPath));
    }
    draft->held = true;
    draft->text = text;
    draft->made = true;
    draft->madeText = text;
    if (deleteCache) draft->afterWrite.push_back(cachePath);
    if (deleteNet) draft->afterWrite.push_back(netPath);
    return true;
}

bool CreateLegacyProfile(const char* systemDir, bool finishInterrupted) {
    char profilePath[Z_MAX_PATH];
    if (!JoinConfigPath(profilePath, systemDir, "PROFILE.INI")) return false;
    ProfileDraft draft;
    return DraftLegacyProfile(systemDir, finishInterrupted, &draft) && WriteProfileDraft(profilePath, &draft);
}
