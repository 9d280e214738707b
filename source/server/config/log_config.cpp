#include "log_config.h"

#include <cstdio>
#include <string>

#include "config_paths.h"
#include "config_replace.h"
#include "config_rewrite.h"
#include "config_text.h"
#include "log_command_table.h"
#include "log_keep_merge.h"
#include "log_setting_line.h"
#include "zelkit.h"

namespace {

// Marks every row that the installed file sets and takes its value. A 0 never
// overwrites a value, so a later 0 does not undo an earlier setting.
bool LoadInstalledLog(const char* installedPath, LogCommandTable& table) {
    HZFILE file = Z_OpenFile(installedPath, Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) {
        return false;
    }
    char line[Z_MAX_LINE];
    while (Z_ReadFileLine(file, line, Z_MAX_LINE, nullptr)) {
        LogSettingLine setting;
        if (IsLogComment(line) || !ParseLogSettingLine(line, &setting)) {
            continue;
        }
        LogCommandRow* row = table.Find(line + setting.nameStart, setting.nameLength);
        if (row == nullptr) {
            continue;
        }
        row->present = 1;
        if (setting.value != 0) {
            std::snprintf(row->line + LOG_VALUE_COLUMN, sizeof(row->line) - LOG_VALUE_COLUMN, "%d",
                          static_cast<int>(setting.value));
        }
    }
    const bool readError = Z_FileError(file) != 0;
    CloseReadFile(file);
    return !readError;
}

// The line of the new file for one template line; sets changed when the
// line does not carry an installed value.
std::string MergeLogLine(const char* line, LogCommandTable& table, bool* changed) {
    LogSettingLine setting;
    if (IsLogComment(line) || !ParseLogSettingLine(line, &setting)) {
        return line;
    }
    const LogCommandRow* row = table.Find(line + setting.nameStart, setting.nameLength);
    if (row != nullptr && row->present) {
        // The row's own layout replaces the template's; a trailing comment stays.
        return std::string(row->line) + (line + setting.numberEnd);
    }
    std::string merged = line;
    for (size_t at = setting.digitsStart; at < setting.numberEnd; ++at) {
        merged[at] = '0';
    }
    *changed = true;
    return merged;
}

}  // namespace

bool MergeLogConfig(const char* systemDir, const char* packageDir) {
    LogCommandTable table;

    char installedPath[Z_MAX_PATH];
    char templatePath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    if (!JoinConfigPath(installedPath, systemDir, "LOG.INI") || !JoinConfigPath(templatePath, packageDir, "LOG.INI") ||
        !JoinConfigPath(newPath, systemDir, "LOG.INI", ".NEW")) {
        return false;
    }
    if (!LoadInstalledLog(installedPath, table)) {
        return false;
    }
    bool changed = false;
    const auto mergeLines = [&](HZFILE templateFile, HZFILE newFile) {
        return WriteRewrittenLines(templateFile, newFile, [&](const char* line, std::string* merged) {
            *merged = MergeLogLine(line, table, &changed);
            return true;
        });
    };
    // Unchanged when every setting of the template had its installed value.
    const auto putInPlace = [&] { return !changed || ReplaceConfigFileKeepingBackup(installedPath); };
    return RewriteConfigFile(templatePath, newPath, mergeLines, putInPlace);
}

bool MergeLogConfigKeepingValues(const char* systemDir, const char* packageDir) {
    char installedPath[Z_MAX_PATH];
    char templatePath[Z_MAX_PATH];
    char backupPath[Z_MAX_PATH];
    if (!JoinConfigPath(installedPath, systemDir, "LOG.INI") || !JoinConfigPath(templatePath, packageDir, "LOG.INI") ||
        !JoinConfigPath(backupPath, systemDir, "LOG.INI", ".BAK")) {
        return false;
    }
    std::string installed;
    std::string templateText;
    if (!ReadConfigText(installedPath, &installed) || !ReadConfigText(templatePath, &templateText)) return false;
    bool adds = false;
    const std::string merged = MergeLogKeepingAll(installed, templateText, &adds);
    if (!adds) return true;
    return KeepInstalledBackup(installedPath, backupPath) && ReplaceConfigText(installedPath, merged);
}
