// Opening and closing the dictionary, the object environment, the native
// character set, and what the kernel stand-in asks of the open dictionary.
#include <cstring>

#include "zelkit.h"
#include "zemshell.h"
#include "open_dictionary.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "shell_admin.h"
#include "shell_catalog.h"

using namespace zel::shell;

namespace {

// The interpreted files must hold records of the layout this shell writes;
// an empty file of another record size simply takes ours on its next write.
bool CheckRecordSize(DictFile& file, uint32_t size, DictFailure* failure) {
    if (file.recordSize == size) return true;
    if (file.recordCount == 0) {
        file.recordSize = size;
        return true;
    }
    *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.path + " holds records of " + std::to_string(file.recordSize) +
                                                     " bytes; this shell reads records of " + std::to_string(size) +
                                                     " bytes"};
    return false;
}

bool CheckConfig(const DictFile& file, DictFailure* failure) {
    if (file.records.size() > 1) {
        *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.path + " holds more than one configuration record"};
        return false;
    }
    if (!file.records.empty() &&
        ReadStoredInteger(file.records.front().data(), CONFIG_CHARSET_COUNT, 2) > MAX_CHARSET_ENTRIES) {
        *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.path + " lists more charset entries than it can hold"};
        return false;
    }
    return true;
}

bool LoadDictionary(const std::string& home, OpenDictionary* dictionary, DictFailure* failure) {
    dictionary->home = home;
    for (int index = 0; index < DICT_FILE_COUNT; ++index) {
        DictFile* kept = nullptr;
        uint32_t size = 0;
        switch (index) {
            case CONFIG_FILE: kept = &dictionary->config; size = SystemConfigLayout().diskSize; break;
            case BASE_FILE: kept = &dictionary->databases; size = DatabaseLayout().diskSize; break;
            case BASECOL_FILE: kept = &dictionary->columns; size = ColumnLayout().diskSize; break;
            case FORMAT_FILE: kept = &dictionary->formats; size = DataFormatLayout().diskSize; break;
            default: break;
        }
        // The other five files are not the shell's to interpret; they only
        // have to be present and whole.
        DictFile checked;
        DictFile& file = kept != nullptr ? *kept : checked;
        if (!ReadDictFile(DictFilePath(home, index), kept != nullptr, &file, failure)) return false;
        if (kept != nullptr && !CheckRecordSize(file, size, failure)) return false;
    }
    return CheckConfig(dictionary->config, failure);
}

}  // namespace

int ShellOpen(const char* home, int, int, int, int64_t) {
    if (Z_FaultPoint("ShellOpen")) return 0;
    if (home == nullptr || home[0] == '\0') {
        return ReportFailure("ShellOpen", SHELL_ERROR_BAD_RECORD, "no home directory given");
    }
    if (CurrentDictionary() != nullptr) {
        return ReportFailure("ShellOpen", SHELL_ERROR_NOT_OPEN, "a data dictionary is open already");
    }
    auto dictionary = std::make_unique<OpenDictionary>();
    DictFailure failure;
    if (!LoadDictionary(home, dictionary.get(), &failure)) {
        return ReportFailure("ShellOpen", failure.code, failure.text);
    }
    SetCurrentDictionary(std::move(dictionary));
    return 1;
}

int ShellClose() {
    if (Z_FaultPoint("ShellClose")) return 0;
    // Every change is on disk already; closing only forgets the copy.
    SetCurrentDictionary(nullptr);
    return 1;
}

ObjectEnv* GetObjectEnv(int objectClass, ObjectEnv* env) {
    if (Z_FaultPoint("GetObjectEnv")) return nullptr;
    if (RequireOpen("GetObjectEnv") == nullptr) return nullptr;
    if (env == nullptr) {
        ReportFailure("GetObjectEnv", SHELL_ERROR_BAD_RECORD, "no environment to fill");
        return nullptr;
    }
    if (objectClass != OBJECT_SYSTEM_CONFIG && objectClass != OBJECT_DATABASE && objectClass != OBJECT_COLUMN &&
        objectClass != OBJECT_DATA_FORMAT) {
        ReportFailure("GetObjectEnv", SHELL_ERROR_BAD_RECORD, "unknown object class " + std::to_string(objectClass));
        return nullptr;
    }
    std::memset(env, 0, sizeof *env);
    env->objectKind = static_cast<uint16_t>(objectClass);
    return env;
}

int SetSystemCharset(int charset) {
    if (Z_FaultPoint("SetSystemCharset")) return 0;
    OpenDictionary* dictionary = RequireOpen("SetSystemCharset");
    if (dictionary == nullptr) return 0;
    StoredRecord config = ConfigImage(*dictionary);
    if (charset == 0) return static_cast<int>(ReadStoredInteger(config.data(), CONFIG_NATIVE_CHARSET, 2));
    if (charset < Z_CHARSET_GB18030 || charset > Z_CHARSET_UTF8) {
        return ReportFailure("SetSystemCharset", SHELL_ERROR_BAD_RECORD,
                             "no character set numbered " + std::to_string(charset));
    }
    WriteStoredInteger(config.data(), CONFIG_NATIVE_CHARSET, 2, static_cast<uint64_t>(charset));
    return CommitConfig("SetSystemCharset", *dictionary, std::move(config)) ? charset : 0;
}

namespace zel::shell {

std::string OpenHomeDirectory() {
    OpenDictionary* dictionary = CurrentDictionary();
    return dictionary != nullptr ? dictionary->home : std::string();
}

bool FindDatabase(uint32_t id, DatabaseSummary* summary) {
    OpenDictionary* dictionary = CurrentDictionary();
    if (dictionary == nullptr) return false;
    const RecordLayout& layout = DatabaseLayout();
    for (const StoredRecord& record : dictionary->databases.records) {
        const uint8_t* stored = record.data();
        if (ReadField(*layout.Find("id"), stored) != id) continue;
        if (summary != nullptr) {
            summary->id = id;
            summary->kind = static_cast<uint32_t>(ReadField(*layout.Find("kind"), stored));
            summary->charsetCode = static_cast<uint16_t>(ReadField(*layout.Find("charsetCode"), stored));
            summary->recordCount = static_cast<uint32_t>(ReadField(*layout.Find("recordCount"), stored));
            summary->indexSegmentId = static_cast<uint32_t>(ReadField(*layout.Find("indexSegmentId"), stored));
            summary->indexStopId = static_cast<uint32_t>(ReadField(*layout.Find("indexStopId"), stored));
            summary->owner = ReadTextField(*layout.Find("owner"), stored);
            summary->name = ReadTextField(*layout.Find("name"), stored);
            summary->directory = ReadTextField(*layout.Find("directory"), stored);
        }
        return true;
    }
    return false;
}

bool RaiseNextDatabaseId(uint32_t id) {
    OpenDictionary* dictionary = RequireOpen("RaiseNextDatabaseId");
    if (dictionary == nullptr) return false;
    StoredRecord config = ConfigImage(*dictionary);
    if (ReadStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4) >= id) return true;
    WriteStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4, id);
    return CommitConfig("RaiseNextDatabaseId", *dictionary, std::move(config));
}

}  // namespace zel::shell
