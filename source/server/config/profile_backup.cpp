#include "profile_backup.h"

#include <string>
#include <vector>

#include "config_paths.h"
#include "config_replace.h"
#include "config_text.h"
#include "profile_text.h"
#include "zelkit.h"

using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileLineKind;
using zel::toolkit::ProfileTextLines;

namespace {

// The start-up section and the renaming add, rewrite and move these lines,
// and nothing else.
bool IsLaunchLine(const std::string& line) {
    if (line.empty()) return true;
    const ProfileLine parsed = ParseProfileLine(line);
    if (parsed.kind == ProfileLineKind::Header) return ZSTRCMPI(parsed.name.c_str(), "AutoBatch") == 0;
    // The key ends at "=" or a blank, as the renaming reads it.
    const size_t end = line.find_first_of("= \t");
    if (end == std::string::npos) return false;
    const std::string key = line.substr(0, end);
    return ZSTRCMPI(key.c_str(), "ProgramStart") == 0 || ZSTRCMPI(key.c_str(), "ProgramClose") == 0 ||
           ZSTRCMPI(key.c_str(), "ShutdownCall") == 0;
}

std::vector<std::string> LinesBesideLaunches(const std::string& text) {
    std::vector<std::string> lines;
    ProfileTextLines reader(text);
    while (reader.Next()) {
        const std::string line = TrimmedText(reader.Line());
        if (!IsLaunchLine(line)) lines.push_back(line);
    }
    return lines;
}

}  // namespace

int BackupDiffersOnlyInLaunches(const std::string& profile, const char* backupPath) {
    const int there = Z_FileExists(backupPath);
    if (there <= 0) return there;
    std::string backup;
    return ReadConfigText(backupPath, &backup) && LinesBesideLaunches(profile) == LinesBesideLaunches(backup) ? 1 : 0;
}

bool OweProfileBackup(const std::string& profile, const char* profilePath, ProfileDraft* draft) {
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(backupPath, profilePath, ".BAK")) return false;
    const int onlyLaunches = BackupDiffersOnlyInLaunches(profile, backupPath);
    if (onlyLaunches < 0) return false;
    if (onlyLaunches == 0) draft->backupOwed = true;
    return true;
}

bool KeepOwedProfileBackup(const char* profilePath) {
    const int there = Z_FileExists(profilePath);
    if (there <= 0) return there == 0;
    std::string profile;
    ProfileDraft draft;
    if (!ReadConfigText(profilePath, &profile) || !OweProfileBackup(profile, profilePath, &draft)) return false;
    char backupPath[Z_MAX_PATH];
    return !draft.backupOwed || (JoinConfigPath(backupPath, profilePath, ".BAK") && KeepInstalledBackup(profilePath, backupPath));
}
