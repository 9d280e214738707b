#include "home_builder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "dict_files.h"
#include "home_paths.h"
#include "json_values.h"
#include "kernel_store.h"
#include "shell_admin.h"
#include "zelkit.h"
#include "zemshell.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

// A failure of the shell or kernel while building.
class BuildError : public std::runtime_error {
public:
    explicit BuildError(const std::string& what)
        : std::runtime_error(what + ": " + std::to_string(Z_GetLastError()) + " " + LastErrorText()) {}

private:
    static std::string LastErrorText() {
        const char* text = Z_GetLastErrorPrompt(nullptr, 0);
        return text != nullptr ? text : "";
    }
};

// The dictionary refused a value of the description: the user's error, named
// by its key; anything else is a failure of the build.
[[noreturn]] void ThrowFailure(const std::string& at) {
    uint32_t code = Z_GetLastError();
    if (code == zel::shell::SHELL_ERROR_NAME_TAKEN || code == zel::shell::SHELL_ERROR_BAD_RECORD ||
        code == zel::shell::SHELL_ERROR_TEXT_TOO_LONG) {
        const char* text = Z_GetLastErrorPrompt(nullptr, 0);
        throw DescriptionError(at + ": " + (text != nullptr ? text : ""));
    }
    throw BuildError(at);
}

char* Text(const std::string& text) { return const_cast<char*>(text.c_str()); }

// What the build writes: the dictionary names the final home, the files go
// to the place the home is built in.
struct BuildPlace {
    fs::path finalHome;
    fs::path buildHome;

    std::string Stored(const std::string& described) const { return StoredDirectory(finalHome, described); }
    std::string DataDirectory(const std::string& described) const {
        if (described.empty()) return DisplayText(buildHome / "dict");
        return StoredDirectory(buildHome, described);
    }
};

void WriteConfig(ObjectEnv* env, const ConfigInfo& config) {
    SystemConfigRecord update;
    std::memset(&update, 0xFF, sizeof update);
    update.text0 = update.text48 = update.text56 = update.text64 = UNCHANGED_TEXT;
    update.memory = config.memory;
    update.field18 = config.field18;
    update.field20 = config.field20;
    std::vector<CharsetEntry> entries;
    for (const CharsetInfo& c : config.charsets) {
        entries.push_back(CharsetEntry{c.code, 0, c.segment, c.stop, c.thesaurus, c.synonym, c.antonym});
    }
    CharsetEntry none{};
    update.charsets = entries.empty() ? &none : entries.data();
    update.charsetCount = static_cast<uint16_t>(entries.size());
    env->objectKind = OBJECT_SYSTEM_CONFIG;
    if (!UpdateSystemCFGInfo(env, &update)) throw BuildError("config");
}

void AddColumns(ObjectEnv* env, uint32_t id, const DatabaseInfo& db, const std::string& at) {
    env->objectKind = OBJECT_COLUMN;
    for (size_t i = 0; i < db.columns.size(); ++i) {
        const ColumnInfo& info = db.columns[i];
        std::string empty;
        ColumnRecord column{};
        column.name = Text(info.name);
        column.text16 = column.text32 = column.text48 = column.text56 = column.text64 = column.text72 = Text(empty);
        column.text104 = column.text112 = Text(empty);
        column.description = Text(info.description);
        column.type = info.type;
        column.value84 = info.byte84;
        column.flag94 = info.flags[0];
        column.flag95 = info.flags[1];
        column.flag96 = info.flags[2];
        column.flag97 = info.flags[3];
        column.flag98 = info.flags[4];
        column.databaseId = id;
        uint16_t number = 0;
        if (!NewDColumnInfo(env, id, &column, 0, &number)) ThrowFailure(IndexPath(at + ".columns", i));
    }
}

void AddDatabase(ObjectEnv* env, const DatabaseInfo& db, const std::string& at, const BuildPlace& place) {
    if (db.id && !zel::shell::RaiseNextDatabaseId(*db.id)) ThrowFailure(KeyPath(at, "id"));
    std::string directory = place.Stored(db.directory);
    std::string empty;
    DatabaseRecord record{};
    record.kind = db.kind;
    record.name = Text(db.name);
    record.owner = Text(db.owner);
    record.charsetCode = db.charset;
    record.recordCount = db.records;
    record.indexSegmentId = db.indexSegment;
    record.indexStopId = db.indexStop;
    record.directory = Text(directory);
    record.text96 = record.text104 = record.text112 = record.text120 = record.text128 = Text(empty);
    record.text176 = Text(empty);
    record.description = Text(db.description);
    // The values the server gives its own databases.
    if (db.owner == "SYSTEM") {
        record.value48 = 1;
        record.value148 = 256;
        record.value164 = 0xB0000000u;
    }
    env->objectKind = OBJECT_DATABASE;
    uint32_t id = 0;
    if (!NewDatabaseInfo(env, &record, &id)) ThrowFailure(at);
    if (db.id && id != *db.id) {
        throw DescriptionError(KeyPath(at, "id") + ": " + std::to_string(*db.id) + " lies below an id used before it");
    }
    AddColumns(env, id, db, at);
    if (db.data.exists &&
        !zel::kernel::CreateSampleData(place.DataDirectory(db.directory), id, db.data.records, db.data.indexed)) {
        throw BuildError(KeyPath(at, "data"));
    }
}

void AddFormat(ObjectEnv* env, const FormatInfo& format, const std::string& at) {
    DataFormatRecord record{};
    record.id = format.id;
    record.flag = format.flag;
    record.name = Text(format.name);
    record.className = Text(format.className);
    record.extensions = Text(format.extensions);
    record.description = Text(format.storedDescription);
    env->objectKind = OBJECT_DATA_FORMAT;
    if (!NewDataFormatInfo(env, &record)) ThrowFailure(at);
}

void BuildDictionary(const HomeDescription& d, const BuildPlace& place) {
    if (!ShellOpen(DisplayText(place.buildHome).c_str(), -1, -1, -1, -1)) throw BuildError("dictionary");
    try {
        ObjectEnv env{};
        if (GetObjectEnv(OBJECT_DATABASE, &env) == nullptr) throw BuildError("dictionary");
        if (d.nativeCharset != 0 && !SetSystemCharset(d.nativeCharset)) throw BuildError("native_charset");
        WriteConfig(&env, d.config);
        // Databases with an id first, in id order, so each gets its own id.
        std::vector<size_t> order(d.databases.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return d.databases[a].id.value_or(0xFFFFFFFFu) < d.databases[b].id.value_or(0xFFFFFFFFu);
        });
        for (size_t i : order) AddDatabase(&env, d.databases[i], IndexPath("databases", i), place);
        for (size_t i = 0; i < d.formats.size(); ++i) AddFormat(&env, d.formats[i], IndexPath("formats", i));
    } catch (...) {
        ShellClose();
        throw;
    }
    if (!ShellClose()) throw BuildError("dictionary");
}

void Check(const std::optional<uint32_t>& described, uint32_t actual, const std::string& at) {
    if (described && *described != actual) {
        throw DescriptionError(at + ": " + std::to_string(*described) + ", but the file holds " +
                               std::to_string(actual));
    }
}

// The dictionary's own files keep the records the shell wrote and get their
// titles; the others are made whole from the description.
void WriteDictionaryFiles(const HomeDescription& d, const fs::path& buildHome) {
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        const std::string name = zel::shell::DICT_FILE_NAMES[index];
        const DictionaryFileInfo& info = d.dictionaryFiles.at(name);
        const std::string at = "dictionary_files." + name;
        zel::shell::DictFile file;
        zel::shell::DictFailure failure;
        const std::string path = zel::shell::DictFilePath(DisplayText(buildHome), index);
        if (!zel::shell::ReadDictFile(path, true, &file, &failure)) throw std::runtime_error(failure.text);
        if (index == zel::shell::CONFIG_FILE || index == zel::shell::BASE_FILE || index == zel::shell::BASECOL_FILE ||
            index == zel::shell::FORMAT_FILE) {
            Check(info.recordSize, file.recordSize, at + ".record_size");
            Check(info.recordCount, static_cast<uint32_t>(file.records.size()), at + ".record_count");
        } else if (index == zel::shell::VIEW_FILE) {
            file.recordSize = info.recordSize.value_or(72);
            file.records.clear();
            for (const std::string& record : d.viewRecords) file.records.emplace_back(record.begin(), record.end());
        } else {
            file.recordSize = info.recordSize.value_or(64);
            file.records.assign(info.recordCount.value_or(0), std::vector<uint8_t>(file.recordSize, 0));
        }
        if (!zel::shell::SetHeaderTitle(file.header.data(), info.title)) {
            throw DescriptionError(at + ".title: longer than 63 characters");
        }
        if (!zel::shell::WriteDictFile(file, &failure)) throw std::runtime_error(failure.text);
    }
}

void WriteFiles(const HomeDescription& d, const fs::path& buildHome) {
    for (const auto& [relative, content] : d.files) {
        fs::path path = buildHome / PathFromText(relative).make_preferred();
        fs::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary);
        file << content;
        file.close();
        if (!file) throw std::runtime_error("cannot write " + DisplayText(path));
    }
}

bool IsEmptyDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error) && fs::directory_iterator(path, error) == fs::directory_iterator();
}

}  // namespace

bool MakeHome(const std::string& home, const HomeDescription& description, std::string* message) {
    fs::path finalHome = AbsolutePath(PathFromText(home));
    // "HOME/" names HOME itself; the home is built beside it, never inside.
    if (!finalHome.has_filename()) finalHome = finalHome.parent_path();
    // The dictionary stores the home's directories as texts of the code page.
    std::string finalText;
    if (!zel::toolkit::TextFromPath(finalHome, finalText)) {
        throw DescriptionError(home + ": the system code page cannot write " + finalText);
    }
    std::error_code error;
    if (fs::exists(finalHome, error) && !IsEmptyDirectory(finalHome)) {
        throw DescriptionError(home + " exists and is not an empty directory");
    }
    fs::path buildHome = finalHome;
    buildHome += ".zelhome-new";
    fs::remove_all(buildHome, error);
    try {
        fs::create_directories(buildHome);
        zel::shell::DictFailure failure;
        if (!zel::shell::CreateEmptyDictionary(DisplayText(buildHome), zel::shell::OLDEST_DICT_TITLE, &failure)) {
            throw std::runtime_error(failure.text);
        }
        BuildDictionary(description, BuildPlace{finalHome, buildHome});
        WriteDictionaryFiles(description, buildHome);
        WriteFiles(description, buildHome);
        if (fs::exists(finalHome)) fs::remove(finalHome);
        fs::rename(buildHome, finalHome);
    } catch (const DescriptionError&) {
        fs::remove_all(buildHome, error);
        throw;
    } catch (const std::exception& failure) {
        fs::remove_all(buildHome, error);
        *message = failure.what();
        return false;
    }
    return true;
}

}  // namespace zelhome
