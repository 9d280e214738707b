#include "ini_diff.h"

#include <algorithm>
#include <map>

namespace zelhome {

namespace {

struct IniKey {
    std::string section;
    std::string key;
    std::string value;
};

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Keys in file order; sections and keys are matched without regard to case,
// as the server reads them.
std::vector<IniKey> ParseIni(const std::string& text) {
    std::vector<IniKey> keys;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        // PROFILE.INI says Key=Value; LOG.INI says NAME and a number.
        size_t split = line.find('=');
        size_t skip = 1;
        if (split == std::string::npos) {
            split = line.find_first_of(" \t");
            if (split == std::string::npos) split = line.size();
            skip = 0;
        }
        keys.push_back(
            IniKey{section, Trim(line.substr(0, split)), Trim(line.substr(std::min(line.size(), split + skip)))});
    }
    return keys;
}

std::string Id(const std::string& section, const std::string& key) { return Lower(section) + "\n" + Lower(key); }

std::map<std::string, const IniKey*> Index(const std::vector<IniKey>& keys) {
    std::map<std::string, const IniKey*> index;
    for (const IniKey& key : keys) index.emplace(Id(key.section, key.key), &key);
    return index;
}

std::string Name(const IniKey& key) { return key.section.empty() ? key.key : "[" + key.section + "] " + key.key; }

}  // namespace

std::vector<std::string> DiffIniFile(const std::string& before, const std::string& after,
                                     const std::string& templateText) {
    const std::vector<IniKey> oldKeys = ParseIni(before);
    const std::vector<IniKey> newKeys = ParseIni(after);
    const std::vector<IniKey> templateKeys = ParseIni(templateText);
    const auto oldIndex = Index(oldKeys);
    const auto newIndex = Index(newKeys);
    const auto templateIndex = Index(templateKeys);

    std::vector<std::string> lines;
    for (const IniKey& old : oldKeys) {
        if (oldIndex.at(Id(old.section, old.key)) != &old) continue;  // a repeated key: the first counts
        // The punctuation setting was renamed in this release; the merge moves
        // its value unless the successor was set already.
        if (Lower(old.key) == "ignoresenpunct" && oldIndex.count(Id(old.section, "IgnorePunct")) == 0) {
            auto moved = newIndex.find(Id(old.section, "IgnorePunct"));
            if (moved != newIndex.end()) {
                lines.push_back("moved: " + Name(old) + "=" + old.value + " -> " + moved->second->key + "=" +
                                moved->second->value);
            }
        }
        auto found = newIndex.find(Id(old.section, old.key));
        if (found == newIndex.end()) {
            if (Lower(old.key) == "ignoresenpunct" && newIndex.count(Id(old.section, "IgnorePunct")) != 0) continue;
            lines.push_back("dropped: " + Name(old) + "=" + old.value);
            continue;
        }
        const IniKey& now = *found->second;
        if (now.value == old.value) {
            lines.push_back("carried: " + Name(old) + "=" + old.value);
            continue;
        }
        auto templ = templateIndex.find(Id(old.section, old.key));
        if (templ != templateIndex.end() && templ->second->value == now.value) {
            lines.push_back("reset to the template's value: " + Name(old) + "=" + old.value + " -> " + now.value);
        } else {
            lines.push_back("changed: " + Name(old) + "=" + old.value + " -> " + now.value);
        }
    }
    for (const IniKey& now : newKeys) {
        const std::string id = Id(now.section, now.key);
        if (newIndex.at(id) != &now || oldIndex.count(id) != 0) continue;
        if (Lower(now.key) == "ignorepunct" && oldIndex.count(Id(now.section, "IgnoreSenPunct")) != 0) continue;
        auto templ = templateIndex.find(id);
        if (templ != templateIndex.end() && templ->second->value == now.value) {
            lines.push_back("new from the template: " + Name(now) + "=" + now.value);
        } else {
            lines.push_back("added: " + Name(now) + "=" + now.value);
        }
    }
    return lines;
}

}  // namespace zelhome
