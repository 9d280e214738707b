#include "log_keep_merge.h"

#include <vector>

#include "log_command_table.h"
#include "log_setting_line.h"
#include "profile_text.h"
#include "zelkit.h"

using zel::toolkit::ProfileTextLines;

namespace {

struct InstalledSetting {
    std::string name;
    int32_t value = 0;
    std::string line;  // the first line that set it, as written
};

std::vector<InstalledSetting> ReadSettings(const std::string& text) {
    std::vector<InstalledSetting> settings;
    ProfileTextLines reader(text);
    while (reader.Next()) {
        const std::string& line = reader.Line();
        LogSettingLine setting;
        if (IsLogComment(line.c_str()) || !ParseLogSettingLine(line.c_str(), &setting)) continue;
        const std::string name = line.substr(setting.nameStart, setting.nameLength);
        InstalledSetting* known = nullptr;
        for (InstalledSetting& s : settings) {
            if (ZSTRCMPI(s.name.c_str(), name.c_str()) == 0) known = &s;
        }
        if (known == nullptr) {
            settings.push_back({name, setting.value, line});
        } else if (setting.value != 0) {
            known->value = setting.value;
        }
    }
    return settings;
}

void AddLine(std::string* text, const std::string& line) {
    *text += line;
    *text += Z_LINE_END;
}

}  // namespace

std::string MergeLogKeepingAll(const std::string& installed, const std::string& templateText, bool* adds) {
    const std::vector<InstalledSetting> settings = ReadSettings(installed);
    std::vector<bool> used(settings.size(), false);
    *adds = false;
    std::string merged;
    ProfileTextLines reader(templateText);
    while (reader.Next()) {
        const std::string& line = reader.Line();
        LogSettingLine setting;
        if (IsLogComment(line.c_str()) || !ParseLogSettingLine(line.c_str(), &setting)) {
            AddLine(&merged, line);
            continue;
        }
        const std::string name = line.substr(setting.nameStart, setting.nameLength);
        size_t found = settings.size();
        for (size_t i = 0; i < settings.size(); ++i) {
            if (ZSTRCMPI(settings[i].name.c_str(), name.c_str()) == 0) found = i;
        }
        if (found == settings.size()) {
            *adds = true;
            AddLine(&merged, line);
            continue;
        }
        used[found] = true;
        // The row layout: the value at its column, or after one blank when
        // the name reaches it.
        constexpr size_t kColumn = static_cast<size_t>(LOG_VALUE_COLUMN);
        std::string row = name;
        row.append(row.size() < kColumn ? kColumn - row.size() : 1, ' ');
        row += std::to_string(settings[found].value);
        AddLine(&merged, row + line.substr(setting.numberEnd));
    }
    for (size_t i = 0; i < settings.size(); ++i) {
        if (!used[i]) AddLine(&merged, settings[i].line);
    }
    return merged;
}
