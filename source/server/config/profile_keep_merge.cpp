#include "profile_keep_merge.h"

#include <vector>

#include "profile_text.h"
#include "zelkit.h"

using zel::toolkit::ParseProfileLine;
using zel::toolkit::ProfileLine;
using zel::toolkit::ProfileLineKind;
using zel::toolkit::ProfileTextLines;

namespace {

// One section of a profile: its header line and the lines up to the next
// header, as written. The lines before the first header form a section with
// no name.
struct RawSection {
    std::string name;
    bool named = false;
    std::vector<std::string> lines;  // the header first, for a named section
    std::vector<ProfileLine> parsed;
};

std::vector<RawSection> SplitSections(const std::string& text) {
    std::vector<RawSection> sections(1);
    ProfileTextLines reader(text);
    while (reader.Next()) {
        ProfileLine line = ParseProfileLine(reader.Line());
        if (line.kind == ProfileLineKind::Header) {
            sections.emplace_back();
            sections.back().name = line.name;
            sections.back().named = true;
        }
        sections.back().lines.push_back(reader.Line());
        sections.back().parsed.push_back(std::move(line));
    }
    return sections;
}

bool SameName(const std::string& a, const std::string& b) { return ZSTRCMPI(a.c_str(), b.c_str()) == 0; }

// The first named section of that name, as the profile readers find it.
const RawSection* FindSection(const std::vector<RawSection>& sections, const std::string& name) {
    for (const RawSection& section : sections) {
        if (section.named && SameName(section.name, name)) return &section;
    }
    return nullptr;
}

// The last item of that key in the section: the one the server reads.
const ProfileLine* FindItem(const RawSection* section, const std::string& key) {
    if (section == nullptr) return nullptr;
    const ProfileLine* found = nullptr;
    for (const ProfileLine& line : section->parsed) {
        if (line.kind == ProfileLineKind::Item && SameName(line.name, key)) found = &line;
    }
    return found;
}

bool HasItem(const RawSection& section, const std::string& key) {
    for (const ProfileLine& line : section.parsed) {
        if (line.kind == ProfileLineKind::Item && SameName(line.name, key)) return true;
    }
    return false;
}

void AddLine(std::string* text, const std::string& line) {
    *text += line;
    *text += Z_LINE_END;
}

}  // namespace

std::string MergeProfileKeepingAll(const std::string& installed, const std::string& templateText, bool* adds) {
    const std::vector<RawSection> have = SplitSections(installed);
    const std::vector<RawSection> wanted = SplitSections(templateText);
    *adds = false;
    std::string merged;
    for (const RawSection& section : wanted) {
        const RawSection* own = section.named ? FindSection(have, section.name) : nullptr;
        if (section.named && own == nullptr) *adds = true;
        for (size_t i = 0; i < section.lines.size(); ++i) {
            const ProfileLine& line = section.parsed[i];
            const ProfileLine* kept = line.kind == ProfileLineKind::Item ? FindItem(own, line.name) : nullptr;
            // The old name of IgnorePunct still says what the server did.
            if (kept == nullptr && line.kind == ProfileLineKind::Item && SameName(section.name, "Retrieval") &&
                SameName(line.name, "IgnorePunct")) {
                kept = FindItem(own, "IgnoreSenPunct");
            }
            if (kept != nullptr) {
                AddLine(&merged, line.name + "=" + kept->value);
                continue;
            }
            if (line.kind == ProfileLineKind::Item) *adds = true;
            AddLine(&merged, section.lines[i]);
        }
        if (own == nullptr) continue;
        for (size_t i = 0; i < own->lines.size(); ++i) {
            const ProfileLine& line = own->parsed[i];
            if (line.kind == ProfileLineKind::Item && !HasItem(section, line.name)) AddLine(&merged, own->lines[i]);
        }
    }
    for (const RawSection& section : have) {
        if (!section.named || FindSection(wanted, section.name) != nullptr) continue;
        // Only the first section of a name is the one the readers find.
        if (FindSection(have, section.name) != &section) continue;
        for (const std::string& line : section.lines) AddLine(&merged, line);
    }
    return merged;
}
