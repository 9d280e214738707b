#include "profile_backup.h"

#include <string>
#include <vector>

#include "config_paths.h"
#include "config_text.h"
#include "zelkit.h"

namespace {

// The start-up section and the renaming add, rewrite and move these lines,
// and nothing else.
bool IsLaunchLine(const std::string& line) {
    if (line.empty()) return true;
    if (line[0] == '[') {
        const size_t closing = line.find(']');
        return closing != std::string::npos &&
               ZSTRCMPI(TrimmedText(line.substr(1, closing - 1)).c_str(), "AutoBatch") == 0;
    }
    // The key ends at "=" or a blank, as the renaming reads it.
    const size_t end = line.find_first_of("= \t");
    if (end == std::string::npos) return false;
    const std::string key = line.substr(0, end);
    return ZSTRCMPI(key.c_str(), "ProgramStart") == 0 || ZSTRCMPI(key.c_str(), "ProgramClose") == 0 ||
           ZSTRCMPI(key.c_str(), "ShutdownCall") == 0;
}

std::vector<std::string> LinesBesideLaunches(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = TrimmedText(text.substr(start, end - start));
        if (!IsLaunchLine(line)) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool BackupDiffersOnlyInLaunches(const char* profilePath) {
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(backupPath, profilePath, ".BAK") || !Z_IsValidFileName(backupPath)) return false;
    std::string profile;
    std::string backup;
    return ReadConfigText(profilePath, &profile) && ReadConfigText(backupPath, &backup) &&
           LinesBesideLaunches(profile) == LinesBesideLaunches(backup);
}

bool KeepProfileBackup(const char* profilePath) {
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(backupPath, profilePath, ".BAK")) return false;
    if (BackupDiffersOnlyInLaunches(profilePath)) return true;
    return Z_CloneFile(profilePath, backupPath) != 0;
}
