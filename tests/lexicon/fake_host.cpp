#include "lexicon/fake_host.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "progress_reporters.h"
#include "relation_databases.h"
#include "system_databases.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace fake {

namespace {

Host g_host;

bool Fails(const char* operation) {
    if (g_host.failing != operation) return false;
    g_host.failing.clear();
    Z_SetLastErrorText(Z_ERROR_INJECTED, "%s failed", operation);
    return true;
}

void Log(const std::string& call) { g_host.calls.push_back(call); }

bool Matches(const char* pattern, const std::string& text) {
    return std::strcmp(pattern, "*") == 0 || ZSTRCMPI(pattern, text.c_str()) == 0;
}

char* CopyText(const std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

std::string BaseName(const char* path) {
    return path ? std::filesystem::path(path).filename().string() : std::string("null");
}

}  // namespace

Host& State() { return g_host; }

void Reset() { g_host = Host{}; }

Database* Find(const std::string& name) {
    for (Database& db : g_host.databases) {
        if (ZSTRCMPI(db.name.c_str(), name.c_str()) == 0) return &db;
    }
    return nullptr;
}

uint32_t Add(Database database) {
    if (database.id == 0) database.id = g_host.nextId++;
    g_host.databases.push_back(database);
    return database.id;
}

std::vector<std::string> CallsOf(const std::string& prefix) {
    std::vector<std::string> result;
    for (const std::string& call : g_host.calls) {
        if (call.rfind(prefix, 0) == 0) result.push_back(call);
    }
    return result;
}

}  // namespace fake

using fake::g_host;

int ShellOpen(const char*, int, int, int, int64_t) {
    fake::Log("ShellOpen");
    return fake::Fails("ShellOpen") ? 0 : 1;
}

int ShellClose() {
    fake::Log("ShellClose");
    return 1;
}

int SetSystemCharset(int charset) {
    if (charset == 0) return fake::Fails("SetSystemCharset(0)") ? 0 : g_host.nativeCharset;
    fake::Log("SetSystemCharset(" + std::to_string(charset) + ")");
    g_host.nativeCharset = charset;
    return 1;
}

DatabaseRecord* GetDatabaseInfo(ObjectEnv* env, int, const char* owner, const char* name) {
    fake::Log(std::string("GetDatabaseInfo(") + owner + "," + name + ",kind " + std::to_string(env->objectKind) + ")");
    if (fake::Fails("GetDatabaseInfo")) return nullptr;
    DatabaseRecord* head = nullptr;
    DatabaseRecord** tail = &head;
    for (const fake::Database& db : g_host.databases) {
        if (!fake::Matches(owner, db.owner) || !fake::Matches(name, db.name)) continue;
        auto* record = new DatabaseRecord{};
        record->id = db.id;
        record->kind = db.kind;
        record->charsetCode = db.charsetCode;
        record->recordCount = db.recordCount;
        record->indexSegmentId = db.indexSegmentId;
        record->indexStopId = db.indexStopId;
        record->owner = fake::CopyText(db.owner);
        record->name = fake::CopyText(db.name);
        *tail = record;
        tail = &record->next;
    }
    // As the shell does: nothing found is told apart from a failure.
    if (head == nullptr) Z_SetLastErrorText(2002, "no database matches %s.%s", owner, name);
    return head;
}

void FreeDatabaseInfo(DatabaseRecord* chain) {
    while (chain != nullptr) {
        DatabaseRecord* next = chain->next;
        delete[] chain->owner;
        delete[] chain->name;
        delete chain;
        chain = next;
    }
}

int UpdateDatabaseInfo(ObjectEnv*, uint32_t id, const char*, const char*, DatabaseRecord* update) {
    fake::Log("UpdateDatabaseInfo(" + std::to_string(id) + "," + update->name + ")");
    if (fake::Fails("UpdateDatabaseInfo")) return 0;
    g_host.lastRename = *update;
    g_host.lastRenameName = update->name;
    g_host.lastRenameSecondName = update->secondName;
    for (fake::Database& db : g_host.databases) {
        if (db.id != id) continue;
        db.name = update->name;
        if (update->recordCount != 0xFFFFFFFF) db.recordCount = update->recordCount;
    }
    return 1;
}

int UpdateBaseRecordNum(ObjectEnv* env, uint32_t id, const char*, const char*, int64_t recordCount, int) {
    fake::Log("UpdateBaseRecordNum(" + std::to_string(id) + "," + std::to_string(recordCount) + ",kind " +
              std::to_string(env->objectKind) + ")");
    if (fake::Fails("UpdateBaseRecordNum")) return 0;
    return 1;
}

int64_t ZKF_CountDBRecords(uint32_t id, void*) {
    fake::Log("ZKF_CountDBRecords(" + std::to_string(id) + ")");
    if (fake::Fails("ZKF_CountDBRecords")) return -1;
    return g_host.countedRecords;
}

int64_t ZKF_CreateLexicon(uint32_t id, const char* sourcePath, int noFile, tagZKS_DatabaseDict*, int) {
    fake::Log("ZKF_CreateLexicon(" + std::to_string(id) + "," + fake::BaseName(sourcePath) + "," +
              std::to_string(noFile) + ",charset " + std::to_string(Z_GetAssignedCharset()) + ")");
    if (fake::Fails("ZKF_CreateLexicon")) return -1;
    return g_host.lexiconEntries;
}

int64_t ZKF_AppendLexicon(uint32_t id, const char* sourcePath, int, LexiconProgressFunction progress) {
    fake::Log("ZKF_AppendLexicon(" + std::to_string(id) + "," + fake::BaseName(sourcePath) + ",charset " +
              std::to_string(Z_GetAssignedCharset()) + ")");
    if (fake::Fails("ZKF_AppendLexicon")) return -1;
    if (progress != nullptr) progress(0, 100);
    return g_host.lexiconEntries;
}

int ZKF_CreateAssLexicon(int kind, int nativeCharset, const char* sourcePath, int) {
    fake::Log("ZKF_CreateAssLexicon(" + std::to_string(kind) + "," + std::to_string(nativeCharset) + "," +
              fake::BaseName(sourcePath) + ")");
    return fake::Fails("ZKF_CreateAssLexicon") ? 0 : 1;
}

int ZKF_RemoveDBIndices(tagZKS_RemoveDBIndex* request) {
    fake::Log("ZKF_RemoveDBIndices(" + std::to_string(request->databaseId) + ")");
    return fake::Fails("ZKF_RemoveDBIndices") ? 0 : 1;
}

bool CreateSystemDB(ObjectEnv*, DatabaseRecord* database, ColumnRecord*, int columnCount, uint32_t* id) {
    fake::Log(std::string("CreateSystemDB(") + database->name + ",code " + std::to_string(database->charsetCode) +
              ",columns " + std::to_string(columnCount) + ")");
    if (fake::Fails("CreateSystemDB")) return 0;
    fake::Database db;
    db.kind = database->kind;
    db.charsetCode = database->charsetCode;
    db.owner = database->owner ? database->owner : "";
    db.name = database->name;
    db.directory = database->directory ? database->directory : "";
    db.description = database->description ? database->description : "";
    *id = fake::Add(db);
    return 1;
}

bool UndoSystemDBCreation(ObjectEnv*, uint32_t id) {
    fake::Log("UndoSystemDBCreation(" + std::to_string(id) + ")");
    std::erase_if(g_host.databases, [id](const fake::Database& db) { return db.id == id; });
    return 1;
}

bool CreateRelationDBs(RunContext&, uint16_t charsetCode) {
    fake::Log("CreateRelationDBs(code " + std::to_string(charsetCode) + ")");
    return !fake::Fails("CreateRelationDBs");
}

void LexiconProgress(int32_t stage, int64_t percent) {
    fake::Log("LexiconProgress(" + std::to_string(stage) + "," + std::to_string(percent) + ")");
}
