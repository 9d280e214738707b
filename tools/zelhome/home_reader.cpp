#include "home_reader.h"

#include <filesystem>

#include "dict_files.h"
#include "home_paths.h"
#include "kernel_store.h"
#include "shell_admin.h"
#include "zelkit.h"
#include "zemshell.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

std::string LastError(const std::string& what) {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    return what + ": " + std::to_string(Z_GetLastError()) + " " + (text != nullptr ? text : "");
}

// A null answer is "none" only when the shell says so.
bool NothingFound() { return Z_GetLastError() == zel::shell::SHELL_ERROR_NOT_FOUND; }

std::string Text(const char* text) { return text != nullptr ? text : ""; }

bool ReadColumns(ObjectEnv* env, DatabaseInfo* db, std::string* message) {
    env->objectKind = OBJECT_COLUMN;
    ColumnRecord* list = GetDColumnInfo(env, *db->id, 0, "*", 0);
    if (list == nullptr) {
        if (NothingFound()) return true;
        *message = LastError("columns of " + db->name);
        return false;
    }
    for (ColumnRecord* c = list; c->number != 0; ++c) {
        ColumnInfo column;
        column.number = c->number;
        column.name = Text(c->name);
        column.type = c->type;
        column.byte84 = static_cast<uint8_t>(c->value84 & 0xFF);
        column.flags = {c->flag94, c->flag95, c->flag96, c->flag97, c->flag98};
        column.description = Text(c->description);
        db->columns.push_back(column);
    }
    FreeDColumnInfo(list);
    return true;
}

bool ReadDatabases(ObjectEnv* env, const std::string& home, HomeDescription* d, std::string* message) {
    env->objectKind = OBJECT_DATABASE;
    DatabaseRecord* chain = GetDatabaseInfo(env, 0, "*", "*");
    if (chain == nullptr && !NothingFound()) {
        *message = LastError("databases");
        return false;
    }
    bool ok = true;
    for (DatabaseRecord* r = chain; ok && r != nullptr; r = r->next) {
        DatabaseInfo db;
        db.id = r->id;
        db.owner = Text(r->owner);
        db.name = Text(r->name);
        db.kind = r->kind;
        db.charset = r->charsetCode;
        db.records = r->recordCount;
        db.indexSegment = r->indexSegmentId;
        db.indexStop = r->indexStopId;
        db.directory = DescribedDirectory(PathFromText(home), Text(r->directory));
        db.description = Text(r->description);
        std::string dataDirectory = Text(r->directory);
        if (dataDirectory.empty()) dataDirectory = DisplayText(PathFromText(home) / "dict");
        zel::kernel::DataSummary data = zel::kernel::DescribeData(dataDirectory, r->id);
        db.data = DataInfo{data.exists, data.records, data.indexed};
        if (!data.known) {
            *message = LastError("the data of " + db.name);
            ok = false;
        }
        ok = ok && ReadColumns(env, &db, message);
        d->databases.push_back(db);
    }
    FreeDatabaseInfo(chain);
    return ok;
}

bool ReadFormats(ObjectEnv* env, HomeDescription* d, std::string* message) {
    env->objectKind = OBJECT_DATA_FORMAT;
    DataFormatRecord* chain = GetDataFormatInfo(env, 0, "*", "", "");
    if (chain == nullptr && !NothingFound()) {
        *message = LastError("data formats");
        return false;
    }
    for (DataFormatRecord* r = chain; r != nullptr; r = r->next) {
        d->formats.push_back(
            FormatInfo{r->id, r->flag, Text(r->name), Text(r->className), Text(r->extensions), Text(r->description)});
    }
    FreeDataFormatInfo(chain);
    return true;
}

bool ReadConfig(ObjectEnv* env, HomeDescription* d, std::string* message) {
    env->objectKind = OBJECT_SYSTEM_CONFIG;
    SystemConfigRecord* config = GetSystemCFGInfo(env);
    if (config == nullptr) {
        *message = LastError("config");
        return false;
    }
    d->config.memory = config->memory;
    d->config.field18 = config->field18;
    d->config.field20 = config->field20;
    for (uint16_t i = 0; i < config->charsetCount; ++i) {
        const CharsetEntry& e = config->charsets[i];
        d->config.charsets.push_back(
            CharsetInfo{e.code, e.segmentId, e.stopId, e.thesaurusId, e.synonymId, e.antonymId});
    }
    FreeSystemCFGInfo(config);
    return true;
}

bool ReadDictionary(const std::string& home, HomeDescription* d, std::string* message) {
    ObjectEnv env{};
    if (GetObjectEnv(OBJECT_DATABASE, &env) == nullptr) {
        *message = LastError("dictionary");
        return false;
    }
    d->nativeCharset = SetSystemCharset(0);
    return ReadConfig(&env, d, message) && ReadDatabases(&env, home, d, message) && ReadFormats(&env, d, message);
}

bool ReadHeaders(const std::string& home, HomeDescription* d, std::string* message) {
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        zel::shell::DictFile file;
        zel::shell::DictFailure failure;
        if (!zel::shell::ReadDictFile(zel::shell::DictFilePath(home, index), index == zel::shell::VIEW_FILE, &file,
                                      &failure)) {
            *message = failure.text;
            return false;
        }
        d->dictionaryFiles[zel::shell::DICT_FILE_NAMES[index]] =
            DictionaryFileInfo{zel::shell::HeaderTitle(file.header.data()), file.recordSize, file.recordCount};
        if (index == zel::shell::VIEW_FILE) {
            for (const auto& record : file.records) d->viewRecords.emplace_back(record.begin(), record.end());
        }
    }
    return true;
}

}  // namespace

bool ReadHome(const std::string& home, HomeDescription* description, std::string* message) {
    const int system = Z_DirExists(DisplayText(PathFromText(home) / "system").c_str());
    if (system < 0) throw DescriptionError(LastError(home + " cannot be read"));
    if (system == 0) throw DescriptionError(home + " is not a home directory: it has no system directory");
    if (!ShellOpen(home.c_str(), -1, -1, -1, -1)) {
        throw DescriptionError(home + " is not a home directory the shell can open: " + LastError("ShellOpen"));
    }
    bool ok = ReadDictionary(home, description, message);
    ShellClose();
    return ok && ReadHeaders(home, description, message);
}

}  // namespace zelhome
