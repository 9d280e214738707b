#include "home_description.h"

#include <algorithm>
#include <set>

#include "dict_files.h"
#include "json_values.h"
#include "shell_admin.h"
#include "zelkit.h"

namespace zelhome {

namespace {

using zel::shell::DESCRIPTION_FIELD;
using zel::shell::NAME_FIELD;
using zel::shell::PATH_FIELD;

constexpr uint64_t U8 = 0xFF;
constexpr uint64_t U16 = 0xFFFF;
// All ones means "no change" to the shell, so no stored value may be it.
constexpr uint64_t U32 = 0xFFFFFFFE;

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

void ParseDictionaryFiles(const Json& json, HomeDescription& d) {
    const std::string path = "dictionary_files";
    RequireObject(json, path);
    for (auto item = json.begin(); item != json.end(); ++item) {
        const std::string name = item.key();
        const std::string at = KeyPath(path, name);
        if (d.dictionaryFiles.find(name) == d.dictionaryFiles.end()) {
            throw DescriptionError(at + ": not one of the nine dictionary files");
        }
        RequireObject(item.value(), at);
        CheckKeys(item.value(), at, {"title", "record_size", "record_count"});
        DictionaryFileInfo& file = d.dictionaryFiles[name];
        if (item.value().contains("title")) {
            file.title = ReadText(item.value()["title"], KeyPath(at, "title"), zel::shell::HEADER_TITLE_FIELD - 1);
        }
        if (item.value().contains("record_size")) {
            uint32_t size =
                static_cast<uint32_t>(ReadUnsigned(item.value()["record_size"], KeyPath(at, "record_size"), 0xFFFF));
            if (size == 0) throw DescriptionError(KeyPath(at, "record_size") + ": must be at least 1");
            file.recordSize = size;
        }
        if (item.value().contains("record_count")) {
            file.recordCount =
                static_cast<uint32_t>(ReadUnsigned(item.value()["record_count"], KeyPath(at, "record_count"), 100000));
        }
    }
}

ConfigInfo ParseConfig(const Json& json) {
    const std::string path = "config";
    RequireObject(json, path);
    CheckKeys(json, path, {"memory", "field18", "field20", "charsets"});
    ConfigInfo config;
    if (json.contains("memory"))
        config.memory = static_cast<uint16_t>(ReadUnsigned(json["memory"], "config.memory", U16 - 1));
    if (json.contains("field18"))
        config.field18 = static_cast<uint16_t>(ReadUnsigned(json["field18"], "config.field18", U16 - 1));
    if (json.contains("field20"))
        config.field20 = static_cast<uint16_t>(ReadUnsigned(json["field20"], "config.field20", U16 - 1));
    if (json.contains("charsets")) {
        const Json& list = RequireArray(json["charsets"], "config.charsets");
        if (list.size() > zel::shell::MAX_CHARSET_ENTRIES) {
            throw DescriptionError("config.charsets: at most " + std::to_string(zel::shell::MAX_CHARSET_ENTRIES) +
                                   " entries");
        }
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string at = IndexPath("config.charsets", i);
            RequireObject(list[i], at);
            CheckKeys(list[i], at, {"code", "segment", "stop", "thesaurus", "synonym", "antonym"});
            CharsetInfo entry;
            auto field = [&](const char* key, uint64_t max) -> uint64_t {
                return list[i].contains(key) ? ReadUnsigned(list[i][key], KeyPath(at, key), max) : 0;
            };
            entry.code = static_cast<uint16_t>(field("code", U16));
            entry.segment = static_cast<uint32_t>(field("segment", U32));
            entry.stop = static_cast<uint32_t>(field("stop", U32));
            entry.thesaurus = static_cast<uint32_t>(field("thesaurus", U32));
            entry.synonym = static_cast<uint32_t>(field("synonym", U32));
            entry.antonym = static_cast<uint32_t>(field("antonym", U32));
            config.charsets.push_back(entry);
        }
    }
    return config;
}

ColumnInfo ParseColumn(const Json& json, const std::string& at) {
    RequireObject(json, at);
    CheckKeys(json, at, {"number", "name", "type", "byte84", "flags", "description"});
    ColumnInfo column;
    if (json.contains("number")) {
        column.number = static_cast<uint16_t>(ReadUnsigned(json["number"], KeyPath(at, "number"), U16 - 1));
    }
    if (!json.contains("name")) throw DescriptionError(KeyPath(at, "name") + ": missing");
    column.name = ReadText(json["name"], KeyPath(at, "name"), NAME_FIELD - 1);
    if (column.name.empty()) throw DescriptionError(KeyPath(at, "name") + ": must not be empty");
    if (json.contains("type"))
        column.type = static_cast<uint32_t>(ReadUnsigned(json["type"], KeyPath(at, "type"), U32));
    if (json.contains("byte84"))
        column.byte84 = static_cast<uint8_t>(ReadUnsigned(json["byte84"], KeyPath(at, "byte84"), U8));
    if (json.contains("flags")) {
        const Json& flags = RequireArray(json["flags"], KeyPath(at, "flags"));
        if (flags.size() != 5) throw DescriptionError(KeyPath(at, "flags") + ": must list the five bytes 94 to 98");
        for (size_t i = 0; i < 5; ++i) {
            column.flags[i] = static_cast<uint8_t>(ReadUnsigned(flags[i], IndexPath(KeyPath(at, "flags"), i), U8 - 1));
        }
    }
    if (json.contains("description")) {
        column.description = ReadText(json["description"], KeyPath(at, "description"), DESCRIPTION_FIELD - 1);
    }
    return column;
}

DatabaseInfo ParseDatabase(const Json& json, const std::string& at) {
    RequireObject(json, at);
    CheckKeys(json, at,
              {"id", "owner", "name", "kind", "charset", "records", "index_segment", "index_stop", "directory",
               "description", "columns", "data"});
    DatabaseInfo db;
    auto number = [&](const char* key, uint64_t max) -> uint64_t {
        return json.contains(key) ? ReadUnsigned(json[key], KeyPath(at, key), max) : 0;
    };
    if (json.contains("id")) {
        db.id = static_cast<uint32_t>(ReadUnsigned(json["id"], KeyPath(at, "id"), U32 - 1));
        if (*db.id == 0) throw DescriptionError(KeyPath(at, "id") + ": ids start at 1");
    }
    db.owner = json.contains("owner") ? ReadText(json["owner"], KeyPath(at, "owner"), NAME_FIELD - 1) : "SYSTEM";
    if (db.owner.empty()) throw DescriptionError(KeyPath(at, "owner") + ": must not be empty");
    if (!json.contains("name")) throw DescriptionError(KeyPath(at, "name") + ": missing");
    db.name = ReadText(json["name"], KeyPath(at, "name"), NAME_FIELD - 1);
    if (db.name.empty()) throw DescriptionError(KeyPath(at, "name") + ": must not be empty");
    db.kind = static_cast<uint32_t>(number("kind", U32));
    db.charset = static_cast<uint16_t>(number("charset", U16 - 1));
    db.records = static_cast<uint32_t>(number("records", U32));
    db.indexSegment = static_cast<uint32_t>(number("index_segment", U32));
    db.indexStop = static_cast<uint32_t>(number("index_stop", U32));
    if (json.contains("directory"))
        db.directory = ReadText(json["directory"], KeyPath(at, "directory"), PATH_FIELD - 1);
    if (json.contains("description")) {
        db.description = ReadText(json["description"], KeyPath(at, "description"), DESCRIPTION_FIELD - 1);
    }
    if (json.contains("columns")) {
        const Json& columns = RequireArray(json["columns"], KeyPath(at, "columns"));
        std::set<std::string> names;
        for (size_t i = 0; i < columns.size(); ++i) {
            const std::string columnAt = IndexPath(KeyPath(at, "columns"), i);
            db.columns.push_back(ParseColumn(columns[i], columnAt));
            if (!names.insert(Upper(db.columns.back().name)).second) {
                throw DescriptionError(KeyPath(columnAt, "name") + ": the database has a column of that name already");
            }
        }
        std::stable_sort(db.columns.begin(), db.columns.end(), [](const ColumnInfo& a, const ColumnInfo& b) {
            return a.number.value_or(0xFFFF) < b.number.value_or(0xFFFF);
        });
        for (size_t i = 0; i < db.columns.size(); ++i) {
            if (db.columns[i].number && *db.columns[i].number != i + 1) {
                throw DescriptionError(KeyPath(at, "columns") + ": column numbers run 1, 2, 3 ... without gaps");
            }
        }
    }
    if (json.contains("data")) {
        const std::string dataAt = KeyPath(at, "data");
        RequireObject(json["data"], dataAt);
        CheckKeys(json["data"], dataAt, {"exists", "records", "indexed"});
        const Json& data = json["data"];
        if (data.contains("exists")) db.data.exists = ReadBool(data["exists"], KeyPath(dataAt, "exists"));
        if (data.contains("records"))
            db.data.records = ReadUnsigned(data["records"], KeyPath(dataAt, "records"), 10000000);
        if (data.contains("indexed")) db.data.indexed = ReadBool(data["indexed"], KeyPath(dataAt, "indexed"));
        if (!db.data.exists && (db.data.records != 0 || db.data.indexed)) {
            throw DescriptionError(dataAt + ": records or an index need \"exists\": true");
        }
    }
    return db;
}

std::string StoreDescription(const std::string& utf8, int charset, const std::string& at) {
    if (charset == Z_CHARSET_UTF8 || utf8.empty()) return utf8;
    std::vector<char> stored(utf8.size() * 4 + 8);
    int length =
        Z_TranslateText(utf8.c_str(), Z_CHARSET_UTF8, stored.data(), charset, 0, static_cast<int>(stored.size()));
    std::vector<char> back(utf8.size() * 2 + 8);
    if (length < 0 ||
        Z_TranslateText(stored.data(), charset, back.data(), Z_CHARSET_UTF8, 0, static_cast<int>(back.size())) < 0 ||
        utf8 != back.data()) {
        throw DescriptionError(at + ": cannot be stored in the home's character set; give description_hex");
    }
    return std::string(stored.data(), static_cast<size_t>(length));
}

FormatInfo ParseFormat(const Json& json, const std::string& at, int nativeCharset) {
    RequireObject(json, at);
    CheckKeys(json, at, {"id", "flag", "name", "class", "extensions", "description", "description_hex"});
    FormatInfo format;
    if (!json.contains("id")) throw DescriptionError(KeyPath(at, "id") + ": missing");
    format.id = static_cast<uint16_t>(ReadUnsigned(json["id"], KeyPath(at, "id"), U16 - 1));
    if (format.id == 0) throw DescriptionError(KeyPath(at, "id") + ": ids start at 1");
    if (json.contains("flag"))
        format.flag = static_cast<uint8_t>(ReadUnsigned(json["flag"], KeyPath(at, "flag"), U8 - 1));
    if (!json.contains("name")) throw DescriptionError(KeyPath(at, "name") + ": missing");
    format.name = ReadText(json["name"], KeyPath(at, "name"), NAME_FIELD - 1);
    if (format.name.empty()) throw DescriptionError(KeyPath(at, "name") + ": must not be empty");
    if (json.contains("class")) format.className = ReadText(json["class"], KeyPath(at, "class"), NAME_FIELD - 1);
    if (json.contains("extensions")) {
        format.extensions = ReadText(json["extensions"], KeyPath(at, "extensions"), DESCRIPTION_FIELD - 1);
    }
    // The stored bytes win: a dump gives both, and only the hex text is exact.
    if (json.contains("description_hex")) {
        const std::string hexAt = KeyPath(at, "description_hex");
        format.storedDescription =
            FromHex(ReadText(json["description_hex"], hexAt, 2 * (DESCRIPTION_FIELD - 1)), hexAt);
        if (format.storedDescription.find('\0') != std::string::npos) {
            throw DescriptionError(hexAt + ": must not hold a NUL byte");
        }
    } else if (json.contains("description")) {
        const std::string textAt = KeyPath(at, "description");
        format.storedDescription = StoreDescription(ReadText(json["description"], textAt, 4 * DESCRIPTION_FIELD),
                                                    StoredDescriptionCharset(nativeCharset), textAt);
        if (format.storedDescription.size() >= DESCRIPTION_FIELD) {
            throw DescriptionError(textAt + ": longer than " + std::to_string(DESCRIPTION_FIELD - 1) +
                                   " bytes as stored");
        }
    }
    return format;
}

void ParseViewRecords(const Json& json, HomeDescription& d) {
    RequireArray(json, "view_records");
    d.viewRecords.clear();
    for (size_t i = 0; i < json.size(); ++i) {
        const std::string at = IndexPath("view_records", i);
        d.viewRecords.push_back(FromHex(ReadText(json[i], at, 2 * 0xFFFF), at));
    }
}

void ParseFiles(const Json& json, HomeDescription& d) {
    RequireObject(json, "files");
    d.files.clear();
    for (auto item = json.begin(); item != json.end(); ++item) {
        const std::string at = KeyPath("files", item.key());
        std::string path = item.key();
        std::replace(path.begin(), path.end(), '\\', '/');
        bool bad = path.empty() || path.front() == '/' || path.back() == '/' || path.find(':') != std::string::npos;
        size_t start = 0;
        while (!bad && start <= path.size()) {
            size_t end = path.find('/', start);
            if (end == std::string::npos) end = path.size();
            std::string part = path.substr(start, end - start);
            bad = part.empty() || part == "." || part == "..";
            start = end + 1;
        }
        if (bad) throw DescriptionError(at + ": must be a relative path inside the home");
        std::string upper = Upper(path);
        for (const char* name : zel::shell::DICT_FILE_NAMES) {
            if (upper == std::string("SYSTEM/") + name) {
                throw DescriptionError(at + ": the dictionary files are made from the dictionary keys");
            }
        }
        if (!item.value().is_string()) throw DescriptionError(at + ": must be a text");
        d.files[path] = item.value().get<std::string>();
    }
}

void CheckViewRecords(const HomeDescription& d) {
    const DictionaryFileInfo& view = d.dictionaryFiles.at("VIEW.DIC");
    uint32_t size = view.recordSize.value_or(72);
    for (size_t i = 0; i < d.viewRecords.size(); ++i) {
        if (d.viewRecords[i].size() != size) {
            throw DescriptionError(IndexPath("view_records", i) + ": holds " + std::to_string(d.viewRecords[i].size()) +
                                   " bytes; VIEW.DIC records hold " + std::to_string(size));
        }
    }
    if (view.recordCount && *view.recordCount != d.viewRecords.size()) {
        throw DescriptionError("dictionary_files.VIEW.DIC.record_count: " + std::to_string(*view.recordCount) +
                               " but view_records lists " + std::to_string(d.viewRecords.size()));
    }
}

void CheckUnique(const HomeDescription& d) {
    std::set<uint32_t> ids;
    std::set<std::string> names;
    for (size_t i = 0; i < d.databases.size(); ++i) {
        const DatabaseInfo& db = d.databases[i];
        const std::string at = IndexPath("databases", i);
        if (db.id && !ids.insert(*db.id).second) throw DescriptionError(KeyPath(at, "id") + ": used twice");
        if (!names.insert(Upper(db.owner) + "." + Upper(db.name)).second) {
            throw DescriptionError(KeyPath(at, "name") + ": " + db.owner + "." + db.name + " is there twice");
        }
    }
    std::set<uint16_t> formatIds;
    std::set<std::string> formatNames;
    for (size_t i = 0; i < d.formats.size(); ++i) {
        const std::string at = IndexPath("formats", i);
        if (!formatIds.insert(d.formats[i].id).second) throw DescriptionError(KeyPath(at, "id") + ": used twice");
        if (!formatNames.insert(Upper(d.formats[i].name)).second) {
            throw DescriptionError(KeyPath(at, "name") + ": used twice");
        }
    }
}

}  // namespace

int StoredDescriptionCharset(int nativeCharset) {
    return nativeCharset == Z_CHARSET_NONE ? Z_CHARSET_GB18030 : nativeCharset;
}

HomeDescription ParseDescription(const Json& json, const HomeDescription& defaults) {
    if (!json.is_object()) throw DescriptionError("the description must be a JSON object");
    CheckKeys(json, "",
              {"dictionary_files", "view_records", "native_charset", "config", "databases", "formats", "files"});
    HomeDescription d = defaults;
    if (json.contains("dictionary_files")) ParseDictionaryFiles(json["dictionary_files"], d);
    if (json.contains("view_records")) ParseViewRecords(json["view_records"], d);
    if (json.contains("native_charset")) {
        d.nativeCharset = static_cast<int>(ReadUnsigned(json["native_charset"], "native_charset", 3));
    }
    if (json.contains("config")) d.config = ParseConfig(json["config"]);
    if (json.contains("databases")) {
        const Json& list = RequireArray(json["databases"], "databases");
        d.databases.clear();
        for (size_t i = 0; i < list.size(); ++i)
            d.databases.push_back(ParseDatabase(list[i], IndexPath("databases", i)));
    }
    if (json.contains("formats")) {
        const Json& list = RequireArray(json["formats"], "formats");
        d.formats.clear();
        for (size_t i = 0; i < list.size(); ++i) {
            d.formats.push_back(ParseFormat(list[i], IndexPath("formats", i), d.nativeCharset));
        }
    }
    if (json.contains("files")) ParseFiles(json["files"], d);
    CheckViewRecords(d);
    CheckUnique(d);
    return d;
}

namespace {

std::string DecodeDescription(const std::string& stored, int charset) {
    if (charset == Z_CHARSET_UTF8 || stored.empty()) return stored;
    std::vector<char> text(stored.size() * 4 + 8);
    int length =
        Z_TranslateText(stored.c_str(), charset, text.data(), Z_CHARSET_UTF8, 0, static_cast<int>(text.size()));
    return length < 0 ? std::string() : std::string(text.data(), static_cast<size_t>(length));
}

Json ColumnToJson(const ColumnInfo& column) {
    Json json;
    json["number"] = column.number.value_or(0);
    json["name"] = column.name;
    json["type"] = column.type;
    json["byte84"] = column.byte84;
    json["flags"] = Json::array();
    for (uint8_t flag : column.flags) json["flags"].push_back(flag);
    json["description"] = column.description;
    return json;
}

Json DatabaseToJson(const DatabaseInfo& db) {
    Json json;
    json["id"] = db.id.value_or(0);
    json["owner"] = db.owner;
    json["name"] = db.name;
    json["kind"] = db.kind;
    json["charset"] = db.charset;
    json["records"] = db.records;
    json["index_segment"] = db.indexSegment;
    json["index_stop"] = db.indexStop;
    json["directory"] = db.directory;
    json["description"] = db.description;
    json["columns"] = Json::array();
    for (const ColumnInfo& column : db.columns) json["columns"].push_back(ColumnToJson(column));
    json["data"] = Json{{"exists", db.data.exists}, {"records", db.data.records}, {"indexed", db.data.indexed}};
    return json;
}

}  // namespace

Json DescriptionToJson(const HomeDescription& d) {
    Json json;
    json["dictionary_files"] = Json::object();
    for (const char* name : zel::shell::DICT_FILE_NAMES) {
        auto found = d.dictionaryFiles.find(name);
        if (found == d.dictionaryFiles.end()) continue;
        json["dictionary_files"][name] = Json{{"title", found->second.title},
                                              {"record_size", found->second.recordSize.value_or(0)},
                                              {"record_count", found->second.recordCount.value_or(0)}};
    }
    json["view_records"] = Json::array();
    for (const std::string& record : d.viewRecords) json["view_records"].push_back(ToHex(record));
    json["native_charset"] = d.nativeCharset;
    Json config;
    config["memory"] = d.config.memory;
    config["field18"] = d.config.field18;
    config["field20"] = d.config.field20;
    config["charsets"] = Json::array();
    for (const CharsetInfo& entry : d.config.charsets) {
        config["charsets"].push_back(Json{{"code", entry.code},
                                          {"segment", entry.segment},
                                          {"stop", entry.stop},
                                          {"thesaurus", entry.thesaurus},
                                          {"synonym", entry.synonym},
                                          {"antonym", entry.antonym}});
    }
    json["config"] = config;
    std::vector<const DatabaseInfo*> databases;
    for (const DatabaseInfo& db : d.databases) databases.push_back(&db);
    std::stable_sort(databases.begin(), databases.end(), [](const DatabaseInfo* a, const DatabaseInfo* b) {
        return a->id.value_or(0) < b->id.value_or(0);
    });
    json["databases"] = Json::array();
    for (const DatabaseInfo* db : databases) json["databases"].push_back(DatabaseToJson(*db));
    std::vector<const FormatInfo*> formats;
    for (const FormatInfo& format : d.formats) formats.push_back(&format);
    std::stable_sort(formats.begin(), formats.end(),
                     [](const FormatInfo* a, const FormatInfo* b) { return a->id < b->id; });
    json["formats"] = Json::array();
    int charset = StoredDescriptionCharset(d.nativeCharset);
    for (const FormatInfo* format : formats) {
        json["formats"].push_back(Json{{"id", format->id},
                                       {"flag", format->flag},
                                       {"name", format->name},
                                       {"class", format->className},
                                       {"extensions", format->extensions},
                                       {"description", DecodeDescription(format->storedDescription, charset)},
                                       {"description_hex", ToHex(format->storedDescription)}});
    }
    return json;
}

}  // namespace zelhome
