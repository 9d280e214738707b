#include "legacy_profile.h"

#include "config_paths.h"
#include "config_replace.h"
#include "legacy_config_convert.h"
#include "zelkit.h"

bool CreateLegacyProfile(const char* systemDir, bool finishInterrupted) {
    char profilePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    char cachePath[Z_MAX_PATH];
    char netPath[Z_MAX_PATH];
    if (!JoinConfigPath(profilePath, systemDir, "PROFILE.INI") ||
        !JoinConfigPath(newPath, systemDir, "PROFILE.INI", ".NEW") ||
        !JoinConfigPath(cachePath, systemDir, "CACHE.CFG") || !JoinConfigPath(netPath, systemDir, "NET.CFG")) {
        return false;
    }
    const int there = Z_FileExists(profilePath);
    if (there < 0) return false;
    const bool made = there > 0;
    if (made && !finishInterrupted) {
        return true;
    }
    // The profile is written under a work name and takes its real name only
    // when complete: a half-written PROFILE.INI would stop every later run
    // from converting the old files again.
    HZFILE profile = Z_CreateFile(newPath, Z_MODE_READ_WRITE, 0, nullptr, 0);
    if (profile == nullptr) {
        return false;
    }
    int deleteCache = 0;
    int deleteNet = 0;
    int written =
        ConvertCacheConfig(profile, cachePath, &deleteCache) && ConvertNetConfig(profile, netPath, &deleteNet);
    if (Z_FileError(profile)) {
        written = 0;
    }
    if (!Z_CloseFile(profile)) {
        written = 0;
    }
    if (made) {
        // Converted again only to learn which old files the profile took
        // over; the profile itself is the interrupted run's, since merged.
        if (!EndWithWorkFile(!written, newPath)) return false;
    } else if (!written || !Z_RenameFile(newPath, profilePath)) {
        EndWithWorkFile(true, newPath);
        return false;
    }
    // Only now that their values live in PROFILE.INI may the old files go.
    // One that stays fails the step: the run that goes on after it finds
    // the profile made and deletes it then.
    return (!deleteCache || Z_DeleteFile(cachePath)) && (!deleteNet || Z_DeleteFile(netPath));
}
