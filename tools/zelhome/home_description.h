// What a home directory holds, as zelhome makes and shows it: the data
// dictionary, the kernel's data and the home's other files. `new` reads it
// from JSON and `dump` writes it as JSON in the same schema.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zelhome {

using Json = nlohmann::ordered_json;

// A description that cannot be used; the text names the key.
class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DictionaryFileInfo {
    std::string title;
    std::optional<uint32_t> recordSize;
    std::optional<uint32_t> recordCount;
};

struct CharsetInfo {
    uint16_t code = 0;
    uint32_t segment = 0;
    uint32_t stop = 0;
    uint32_t thesaurus = 0;
    uint32_t synonym = 0;
    uint32_t antonym = 0;
};

struct ConfigInfo {
    uint16_t memory = 0;
    uint16_t field18 = 0;
    uint16_t field20 = 0;
    std::vector<CharsetInfo> charsets;
};

struct ColumnInfo {
    std::optional<uint16_t> number;
    std::string name;
    uint32_t type = 0;
    uint8_t byte84 = 0;
    std::array<uint8_t, 5> flags{};  // bytes 94 to 98
    std::string description;
};

struct DataInfo {
    bool exists = false;
    uint64_t records = 0;
    bool indexed = false;
};

struct DatabaseInfo {
    std::optional<uint32_t> id;
    std::string owner;
    std::string name;
    uint32_t kind = 0;
    uint16_t charset = 0;
    uint32_t records = 0;
    uint32_t indexSegment = 0;
    uint32_t indexStop = 0;
    std::string directory;  // relative to the home when it lies inside it
    std::string description;
    std::vector<ColumnInfo> columns;
    DataInfo data;
};

struct FormatInfo {
    uint16_t id = 0;
    uint8_t flag = 0;
    std::string name;
    std::string className;
    std::string extensions;
    std::string storedDescription;  // the bytes as the dictionary holds them
};

struct HomeDescription {
    std::map<std::string, DictionaryFileInfo> dictionaryFiles;  // by file name
    std::vector<std::string> viewRecords;                       // raw bytes of each VIEW.DIC record
    int nativeCharset = 0;
    ConfigInfo config;
    std::vector<DatabaseInfo> databases;
    std::vector<FormatInfo> formats;
    std::map<std::string, std::string> files;  // relative path with '/' -> content
};

// Reads a description; every key left out takes its value from defaults.
// Throws DescriptionError naming the first bad key.
HomeDescription ParseDescription(const Json& json, const HomeDescription& defaults);

// The dump: every key but "files", arrays in id order.
Json DescriptionToJson(const HomeDescription& description);

// Format descriptions are stored in the home's native character set (GB18030
// when it has none); the JSON shows them as UTF-8 too.
int StoredDescriptionCharset(int nativeCharset);

}  // namespace zelhome
