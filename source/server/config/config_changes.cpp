#include "config_changes.h"

#include "log_setting_line.h"
#include "profile_text.h"
#include "zelkit.h"

using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileLineKind;
using zel::toolkit::ProfileTextLines;

namespace {

struct Setting {
    std::string section;  // empty for LOG.INI
    std::string name;
    std::string value;
};

bool SameName(const std::string& a, const std::string& b) { return ZSTRCMPI(a.c_str(), b.c_str()) == 0; }

// The settings as the server reads them: the first section of a name, the
// last value of a key in it.
std::vector<Setting> ProfileSettings(const std::string& text, std::vector<std::string>* sections) {
    std::vector<Setting> settings;
    ProfileTextLines reader(text);
    std::string section;
    bool first = false;
    while (reader.Next()) {
        const ProfileLine line = ParseProfileLine(reader.Line());
        if (line.kind == ProfileLineKind::Header) {
            section = line.name;
            first = true;
            for (const std::string& seen : *sections) first = first && !SameName(seen, section);
            if (first) sections->push_back(section);
        } else if (line.kind == ProfileLineKind::Item && first) {
            Setting* known = nullptr;
            for (Setting& s : settings) {
                if (SameName(s.section, section) && SameName(s.name, line.name)) known = &s;
            }
            if (known != nullptr) {
                known->value = line.value;
            } else {
                settings.push_back({section, line.name, line.value});
            }
        }
    }
    return settings;
}

// A 0 never overwrites an earlier value of the same name, as the server and
// the merge read LOG.INI.
std::vector<Setting> LogSettings(const std::string& text) {
    std::vector<Setting> settings;
    ProfileTextLines reader(text);
    while (reader.Next()) {
        const std::string& line = reader.Line();
        LogSettingLine parsed;
        if (IsLogComment(line.c_str()) || !ParseLogSettingLine(line.c_str(), &parsed)) continue;
        const std::string name = line.substr(parsed.nameStart, parsed.nameLength);
        Setting* known = nullptr;
        for (Setting& s : settings) {
            if (SameName(s.name, name)) known = &s;
        }
        if (known == nullptr) {
            settings.push_back({"", name, std::to_string(parsed.value)});
        } else if (parsed.value != 0) {
            known->value = std::to_string(parsed.value);
        }
    }
    return settings;
}

const Setting* Find(const std::vector<Setting>& settings, const Setting& wanted) {
    for (const Setting& s : settings) {
        if (SameName(s.section, wanted.section) && SameName(s.name, wanted.name)) return &s;
    }
    return nullptr;
}

bool HasSection(const std::vector<std::string>& sections, const std::string& name) {
    for (const std::string& s : sections) {
        if (SameName(s, name)) return true;
    }
    return false;
}

void ListSettingChanges(const std::vector<Setting>& before, const std::vector<Setting>& after,
                        const std::string& separator, const std::vector<std::string>* droppedSections,
                        std::vector<std::string>* changes) {
    for (const Setting& old : before) {
        if (droppedSections != nullptr && HasSection(*droppedSections, old.section)) continue;
        const std::string where = old.section.empty() ? old.name : "[" + old.section + "] " + old.name;
        const Setting* now = Find(after, old);
        if (now == nullptr) {
            changes->push_back(where + separator + old.value + " dropped");
        } else if (now->value != old.value) {
            changes->push_back(where + separator + old.value + " is now " + now->value);
        }
    }
}

}  // namespace

std::vector<std::string> ListProfileChanges(const std::string& before, const std::string& after) {
    std::vector<std::string> sectionsBefore;
    std::vector<std::string> sectionsAfter;
    const std::vector<Setting> old = ProfileSettings(before, &sectionsBefore);
    const std::vector<Setting> now = ProfileSettings(after, &sectionsAfter);
    std::vector<std::string> dropped;
    std::vector<std::string> changes;
    for (const std::string& section : sectionsBefore) {
        if (HasSection(sectionsAfter, section)) continue;
        dropped.push_back(section);
        changes.push_back("[" + section + "] dropped");
    }
    ListSettingChanges(old, now, "=", &dropped, &changes);
    return changes;
}

std::vector<std::string> ListLogChanges(const std::string& before, const std::string& after) {
    std::vector<std::string> changes;
    ListSettingChanges(LogSettings(before), LogSettings(after), " ", nullptr, &changes);
    return changes;
}
