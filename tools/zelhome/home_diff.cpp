#include "home_diff.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "home_paths.h"
#include "ini_diff.h"
#include "package_manifest.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    return text.str();
}

void Section(std::string* report, const std::string& heading, const Lines& lines) {
    *report += "== " + heading + " ==\n";
    if (lines.empty()) *report += "(no change)\n";
    for (const std::string& line : lines) *report += line + "\n";
    *report += "\n";
}

Lines DictionaryFiles(const HomeDescription& a, const HomeDescription& b) {
    Lines lines;
    for (const auto& [name, after] : b.dictionaryFiles) {
        auto found = a.dictionaryFiles.find(name);
        if (found == a.dictionaryFiles.end()) continue;
        const DictionaryFileInfo& before = found->second;
        if (before.title != after.title) {
            lines.push_back(name + ": title " + Quoted(before.title) + " -> " + Quoted(after.title));
        }
        if (before.recordSize != after.recordSize) {
            lines.push_back(name + ": record size " + std::to_string(before.recordSize.value_or(0)) + " -> " +
                            std::to_string(after.recordSize.value_or(0)));
        }
        if (before.recordCount != after.recordCount) {
            lines.push_back(name + ": record count " + std::to_string(before.recordCount.value_or(0)) + " -> " +
                            std::to_string(after.recordCount.value_or(0)));
        }
    }
    size_t converted = 0;
    for (size_t i = 0; i < a.viewRecords.size() && i < b.viewRecords.size(); ++i) {
        if (a.viewRecords[i] != b.viewRecords[i]) ++converted;
    }
    if (converted > 0) lines.push_back("VIEW.DIC: " + std::to_string(converted) + " records converted");
    return lines;
}

std::string DatabaseName(const DatabaseInfo& db) {
    return std::to_string(db.id.value_or(0)) + " " + db.owner + "." + db.name;
}

const DatabaseInfo* FindDatabase(const HomeDescription& home, uint32_t id) {
    for (const DatabaseInfo& db : home.databases) {
        if (db.id.value_or(0) == id) return &db;
    }
    return nullptr;
}

void Databases(const HomeDescription& a, const HomeDescription& b, Lines* databases, Lines* indices) {
    for (const DatabaseInfo& before : a.databases) {
        const DatabaseInfo* after = FindDatabase(b, before.id.value_or(0));
        if (after == nullptr) {
            databases->push_back("removed: " + DatabaseName(before));
            continue;
        }
        if (before.owner != after->owner || before.name != after->name) {
            databases->push_back("renamed: " + DatabaseName(before) + " -> " + after->owner + "." + after->name);
        }
        if (before.data.records != after->data.records || before.records != after->records) {
            databases->push_back("refilled: " + DatabaseName(*after) + " records " +
                                 std::to_string(before.data.records) + " -> " + std::to_string(after->data.records));
        }
        if (before.kind != after->kind || before.charset != after->charset) {
            databases->push_back("changed: " + DatabaseName(*after) + " kind " + Hex(before.kind) + " -> " +
                                 Hex(after->kind) + ", charset " + Hex(before.charset) + " -> " + Hex(after->charset));
        }
        if (before.indexSegment != after->indexSegment || before.indexStop != after->indexStop) {
            databases->push_back("index lexicons: " + DatabaseName(*after) + " " + std::to_string(before.indexSegment) +
                                 "/" + std::to_string(before.indexStop) + " -> " + std::to_string(after->indexSegment) +
                                 "/" + std::to_string(after->indexStop));
        }
        if (before.data.indexed && !after->data.indexed) indices->push_back("removed: " + DatabaseName(*after));
    }
    for (const DatabaseInfo& after : b.databases) {
        if (FindDatabase(a, after.id.value_or(0)) != nullptr) continue;
        databases->push_back("created: " + DatabaseName(after) + " kind " + Hex(after.kind) + " charset " +
                             Hex(after.charset) + " records " + std::to_string(after.data.records));
    }
}

std::string CharsetName(int charset) {
    switch (charset) {
        case 0: return "none";
        case 1: return "GB18030";
        case 2: return "BIG5";
        case 3: return "UTF8";
        default: return std::to_string(charset);
    }
}

std::string FormatText(const FormatInfo& f) {
    return "flag " + std::to_string(f.flag) + ", class " + Quoted(f.className) + ", extensions " +
           Quoted(f.extensions) + ", description " + std::to_string(f.storedDescription.size()) + " bytes";
}

Lines Formats(const HomeDescription& a, const HomeDescription& b) {
    Lines lines;
    for (const FormatInfo& after : b.formats) {
        const FormatInfo* before = nullptr;
        for (const FormatInfo& f : a.formats) {
            if (f.id == after.id) before = &f;
        }
        const std::string id = std::to_string(after.id) + " ";
        if (before == nullptr) {
            lines.push_back("added: " + id + after.name + " (" + FormatText(after) + ")");
            continue;
        }
        if (before->name != after.name) lines.push_back("renamed: " + id + before->name + " -> " + after.name);
        if (before->flag != after.flag || before->className != after.className ||
            before->extensions != after.extensions || before->storedDescription != after.storedDescription) {
            lines.push_back("corrected: " + id + after.name + " (" + FormatText(*before) + " -> " + FormatText(after) +
                            ")");
        }
    }
    for (const FormatInfo& before : a.formats) {
        bool kept = false;
        for (const FormatInfo& f : b.formats) kept = kept || f.id == before.id;
        if (!kept) lines.push_back("removed: " + std::to_string(before.id) + " " + before.name);
    }
    return lines;
}

std::string CharsetEntryText(const CharsetInfo& c) {
    return "segment " + std::to_string(c.segment) + ", stop " + std::to_string(c.stop) + ", thesaurus " +
           std::to_string(c.thesaurus) + ", synonym " + std::to_string(c.synonym) + ", antonym " +
           std::to_string(c.antonym);
}

bool SameEntry(const CharsetInfo& x, const CharsetInfo& y) {
    return x.segment == y.segment && x.stop == y.stop && x.thesaurus == y.thesaurus && x.synonym == y.synonym &&
           x.antonym == y.antonym;
}

Lines Config(const ConfigInfo& a, const ConfigInfo& b) {
    Lines lines;
    auto field = [&](const char* name, uint16_t x, uint16_t y) {
        if (x != y) lines.push_back(std::string(name) + ": " + std::to_string(x) + " -> " + std::to_string(y));
    };
    field("memory", a.memory, b.memory);
    field("field18", a.field18, b.field18);
    field("field20", a.field20, b.field20);
    for (const CharsetInfo& after : b.charsets) {
        const CharsetInfo* before = nullptr;
        for (const CharsetInfo& c : a.charsets) {
            if (c.code == after.code) before = &c;
        }
        if (before == nullptr) {
            lines.push_back("charset " + Hex(after.code) + " added: " + CharsetEntryText(after));
        } else if (!SameEntry(*before, after)) {
            lines.push_back("charset " + Hex(after.code) + " changed: " + CharsetEntryText(*before) + " -> " +
                            CharsetEntryText(after));
        }
    }
    for (const CharsetInfo& before : a.charsets) {
        bool kept = false;
        for (const CharsetInfo& c : b.charsets) kept = kept || c.code == before.code;
        if (!kept) lines.push_back("charset " + Hex(before.code) + " removed");
    }
    return lines;
}

std::string FileName(const std::string& relative) { return DisplayText(PathFromText(relative).filename()); }

bool FromPackage(const PackageFiles& package, const std::string& path, const std::string& digest) {
    auto found = package.byName.find(FileName(path));
    if (found == package.byName.end()) return false;
    for (const std::string& source : found->second) {
        if (source == digest) return true;
    }
    return false;
}

Lines Files(const HomeSnapshot& a, const HomeSnapshot& b, const PackageFiles& package) {
    std::vector<std::string> deleted, created, changed;
    for (const auto& [path, bytes] : a.files) {
        if (IsDictionaryFile(path)) continue;
        auto found = b.files.find(path);
        if (found == b.files.end())
            deleted.push_back(path);
        else if (found->second != bytes)
            changed.push_back(path);
    }
    for (const auto& [path, bytes] : b.files) {
        if (!IsDictionaryFile(path) && a.files.count(path) == 0) created.push_back(path);
    }
    Lines lines;
    // A deleted file whose bytes reappear under a new name was renamed.
    std::set<std::string> renamedFrom, renamedTo;
    for (const std::string& from : deleted) {
        for (const std::string& to : created) {
            if (renamedTo.count(to) == 0 && a.files.at(from) == b.files.at(to)) {
                lines.push_back("renamed: " + from + " -> " + to);
                renamedFrom.insert(from);
                renamedTo.insert(to);
                break;
            }
        }
    }
    for (const std::string& path : created) {
        if (renamedTo.count(path) != 0) continue;
        lines.push_back((FromPackage(package, path, b.files.at(path)) ? "copied: " : "created: ") + path);
    }
    for (const std::string& path : changed) {
        lines.push_back((FromPackage(package, path, b.files.at(path)) ? "copied over: " : "changed: ") + path);
    }
    for (const std::string& path : deleted) {
        if (renamedFrom.count(path) == 0) lines.push_back("deleted: " + path);
    }
    return lines;
}

std::string Bytes(const std::map<std::string, std::string>& files, const std::string& path) {
    auto found = files.find(path);
    return found == files.end() ? std::string() : found->second;
}

Lines Ini(const HomeSnapshot& a, const HomeSnapshot& b, const std::string& name, const std::string& templ) {
    const std::string path = "system/" + name;
    const std::string backup = path + ".BAK";
    Lines lines;
    if (a.files.count(path) == b.files.count(path) && Bytes(a.texts, path) == Bytes(b.texts, path)) return lines;
    std::string base = Bytes(a.texts, path);
    // A home without the file gets one made from its old .CFG files first,
    // which the merge then keeps as the backup: that is what was merged.
    if (a.files.count(path) == 0 && a.files.count(backup) == 0 && b.files.count(backup) != 0) {
        base = Bytes(b.texts, backup);
        lines.push_back("made from the old configuration files, then merged (compared with " + backup + ")");
    }
    for (const std::string& line : DiffIniFile(base, Bytes(b.texts, path), templ)) {
        lines.push_back(WithHomeName(line, b.root));
    }
    if (b.files.count(backup) != 0 && Bytes(a.files, backup) != Bytes(b.files, backup)) {
        lines.push_back("backup written: " + backup);
    }
    return lines;
}

}  // namespace

std::string WithHomeName(const std::string& text, const std::string& root) {
    if (root.empty()) return text;
    std::string result;
    size_t start = 0;
    for (size_t found; (found = text.find(root, start)) != std::string::npos; start = found + root.size()) {
        result += text.substr(start, found - start) + "HOME";
    }
    return result + text.substr(start);
}

PackageFiles ReadPackageFiles(const std::string& packageDir) {
    PackageFiles package;
    if (packageDir.empty()) return package;
    for (const std::string& name : PackageFilesNeeded()) {
        std::error_code error;
        if (fs::is_regular_file(PathFromText(packageDir) / name, error)) {
            package.byName[FileName(name)].push_back(FileDigest(PathFromText(packageDir) / name));
        }
    }
    package.profileTemplate = FileText(PathFromText(packageDir) / "PROFILE.INI");
    package.logTemplate = FileText(PathFromText(packageDir) / "LOG.INI");
    return package;
}

std::string ReportHomeDiff(const HomeSnapshot& before, const HomeSnapshot& after, const PackageFiles& package) {
    std::string report;
    Lines databases, indices;
    if (before.dictionaryRead && after.dictionaryRead) {
        const HomeDescription& a = before.dictionary;
        const HomeDescription& b = after.dictionary;
        Section(&report, "Dictionary files", DictionaryFiles(a, b));
        Databases(a, b, &databases, &indices);
        Section(&report, "Databases", databases);
        Section(&report, "Indices", indices);
        Lines charset;
        if (a.nativeCharset != b.nativeCharset) {
            charset.push_back(CharsetName(a.nativeCharset) + " -> " + CharsetName(b.nativeCharset));
        }
        Section(&report, "Native character set", charset);
        Section(&report, "Data formats", Formats(a, b));
        Section(&report, "System configuration", Config(a.config, b.config));
    } else {
        Lines why;
        if (!before.dictionaryRead) why.push_back("before: " + WithHomeName(before.dictionaryMessage, before.root));
        if (!after.dictionaryRead) why.push_back("after: " + WithHomeName(after.dictionaryMessage, after.root));
        Section(&report, "Dictionary not compared", why);
    }
    Section(&report, "Files", Files(before, after, package));
    Section(&report, "PROFILE.INI", Ini(before, after, "PROFILE.INI", package.profileTemplate));
    Section(&report, "LOG.INI", Ini(before, after, "LOG.INI", package.logTemplate));
    return report;
}

}  // namespace zelhome
