// Opening and closing the dictionary, the object environment, the native
// character set, and what the kernel stand-in asks of the open dictionary.
#include <cstring>

#include "open_dictionary.h"
#include "record_codec.h"
#include "record_layouts.h"
#include "shell_admin.h"
#include "shell_catalog.h"
#include "zelkit.h"
#include "zemshell.h"

using namespace zel::shell;

namespace {

std::string RecordName(uint32_t slot) { return "record " + std::to_string(uint64_t{slot} + 1); }

bool LoadConfig(OpenDictionary& dictionary, DictFailure* failure) {
    RecordFile& file = dictionary.configFile;
    if (file.Count() > 1) {
        *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.Path() + " holds more than one configuration record"};
        return false;
    }
    dictionary.config.assign(SystemConfigLayout().diskSize, 0);
    if (!file.ForEach(
            [&](uint32_t, const uint8_t* stored) {
                dictionary.config.assign(stored, stored + file.RecordSize());
                return true;
            },
            failure)) {
        return false;
    }
    if (ReadStoredInteger(dictionary.config.data(), CONFIG_CHARSET_COUNT, 2) > MAX_CHARSET_ENTRIES) {
        *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.Path() + " lists more charset entries than it can hold"};
        return false;
    }
    return true;
}

// Two records that a look-up could not tell apart make the file one the
// shell cannot keep straight; it is refused, naming both.
bool Duplicate(const RecordFile& file, const std::string& what, uint32_t first, uint32_t second, DictFailure* failure) {
    *failure = DictFailure{SHELL_ERROR_BAD_FILE, file.Path() + " holds " + what + " twice (" + RecordName(first) +
                                                     " and " + RecordName(second) + ")"};
    return false;
}

bool LoadDatabases(OpenDictionary& dictionary, DictFailure* failure) {
    const RecordLayout& layout = DatabaseLayout();
    const FieldLayout& idField = *layout.Find("id");
    const FieldLayout& ownerField = *layout.Find("owner");
    const FieldLayout& nameField = *layout.Find("name");
    DatabaseIndex& index = dictionary.databases;
    index.Reserve(dictionary.databaseFile.Count());
    bool unique = true;
    bool read = dictionary.databaseFile.ForEach(
        [&](uint32_t slot, const uint8_t* stored) {
            const auto id = static_cast<uint32_t>(ReadField(idField, stored));
            bool sameName = false;
            const uint32_t other = index.Append(
                DatabaseKeys{id, FoldName(ReadTextField(ownerField, stored)), FoldName(ReadTextField(nameField, stored))},
                &sameName);
            if (other == NO_SLOT) return true;
            unique = Duplicate(dictionary.databaseFile,
                               sameName ? "the database " + ReadTextField(ownerField, stored) + "." +
                                              ReadTextField(nameField, stored)
                                        : "the database id " + std::to_string(id),
                               other, slot, failure);
            return unique;
        },
        failure);
    return read && unique;
}

bool LoadColumns(OpenDictionary& dictionary, DictFailure* failure) {
    const RecordLayout& layout = ColumnLayout();
    const FieldLayout& databaseField = *layout.Find("databaseId");
    const FieldLayout& numberField = *layout.Find("number");
    const FieldLayout& nameField = *layout.Find("name");
    ColumnIndex& index = dictionary.columns;
    index.Reserve(dictionary.columnFile.Count());
    bool unique = true;
    bool read = dictionary.columnFile.ForEach(
        [&](uint32_t slot, const uint8_t* stored) {
            const auto databaseId = static_cast<uint32_t>(ReadField(databaseField, stored));
            const uint32_t other = index.Append(ColumnKeys{databaseId, static_cast<uint16_t>(ReadField(numberField, stored)),
                                                           FoldName(ReadTextField(nameField, stored))});
            if (other == NO_SLOT) return true;
            unique = Duplicate(dictionary.columnFile,
                               "the column " + ReadTextField(nameField, stored) + " of database " +
                                   std::to_string(databaseId),
                               other, slot, failure);
            return unique;
        },
        failure);
    return read && unique;
}

bool LoadFormats(OpenDictionary& dictionary, DictFailure* failure) {
    const RecordLayout& layout = DataFormatLayout();
    const FieldLayout& idField = *layout.Find("id");
    const FieldLayout& nameField = *layout.Find("name");
    FormatIndex& index = dictionary.formats;
    index.Reserve(dictionary.formatFile.Count());
    bool unique = true;
    bool read = dictionary.formatFile.ForEach(
        [&](uint32_t slot, const uint8_t* stored) {
            FormatKeys keys{static_cast<uint16_t>(ReadField(idField, stored)),
                            FoldName(ReadTextField(nameField, stored))};
            uint32_t other = index.FindId(keys.id);
            if (other != NO_SLOT) {
                unique = Duplicate(dictionary.formatFile, "the data format id " + std::to_string(keys.id), other, slot,
                                   failure);
            } else if ((other = index.FindName(keys.name)) != NO_SLOT) {
                unique = Duplicate(dictionary.formatFile, "the data format " + ReadTextField(nameField, stored), other,
                                   slot, failure);
            } else {
                index.Set(slot, std::move(keys));
            }
            return unique;
        },
        failure);
    return read && unique;
}

// The four interpreted files are read once, whole, for their keys; the
// other five are not the shell's to interpret and only have to be present
// and whole. Files are checked in their order, so the first bad one is
// named.
bool LoadDictionary(const std::string& home, OpenDictionary* dictionary, DictFailure* failure) {
    dictionary->home = home;
    for (int index = 0; index < DICT_FILE_COUNT; ++index) {
        const std::string path = DictFilePath(home, index);
        bool ok = true;
        switch (index) {
            case CONFIG_FILE:
                ok = dictionary->configFile.Open(path, SystemConfigLayout().diskSize, failure) &&
                     LoadConfig(*dictionary, failure);
                break;
            case BASE_FILE:
                ok = dictionary->databaseFile.Open(path, DatabaseLayout().diskSize, failure) &&
                     LoadDatabases(*dictionary, failure);
                break;
            case BASECOL_FILE:
                ok = dictionary->columnFile.Open(path, ColumnLayout().diskSize, failure) &&
                     LoadColumns(*dictionary, failure);
                break;
            case FORMAT_FILE:
                ok = dictionary->formatFile.Open(path, DataFormatLayout().diskSize, failure) &&
                     LoadFormats(*dictionary, failure);
                break;
            default: {
                DictFile checked;
                ok = ReadDictFile(path, false, &checked, failure);
                break;
            }
        }
        if (!ok) return false;
    }
    return true;
}

bool CloseFiles(OpenDictionary& dictionary, DictFailure* failure) {
    bool closed = true;
    for (RecordFile* file :
         {&dictionary.configFile, &dictionary.databaseFile, &dictionary.columnFile, &dictionary.formatFile}) {
        DictFailure own;
        if (!file->Close(&own) && closed) {
            *failure = own;
            closed = false;
        }
    }
    return closed;
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
    OpenDictionary* dictionary = CurrentDictionary();
    // A close that fails still lets the dictionary go, as a real one does:
    // kept open, it would refuse the next open (the put-back's among them).
    if (Z_FaultPoint("ShellClose")) {
        if (dictionary != nullptr) {
            DictFailure ignored;
            CloseFiles(*dictionary, &ignored);
            SetCurrentDictionary(nullptr);
        }
        return 0;
    }
    if (dictionary == nullptr) return 1;
    // Every change was written out when it was made; closing lets the files
    // go and reports a file whose last bytes could not be written after all.
    DictFailure failure;
    const bool closed = CloseFiles(*dictionary, &failure);
    const std::string damaged = dictionary->damaged;
    SetCurrentDictionary(nullptr);
    if (!damaged.empty()) {
        return ReportFailure("ShellClose", SHELL_ERROR_BAD_FILE,
                             damaged + " could not be put back after a failed write");
    }
    return closed ? 1 : ReportFailure("ShellClose", failure);
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
    StoredRecord config = dictionary->config;
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

bool RaiseNextDatabaseId(uint32_t id) {
    OpenDictionary* dictionary = RequireOpen("RaiseNextDatabaseId");
    if (dictionary == nullptr) return false;
    StoredRecord config = dictionary->config;
    if (ReadStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4) >= id) return true;
    WriteStoredInteger(config.data(), CONFIG_NEXT_DATABASE_ID, 4, id);
    return CommitConfig("RaiseNextDatabaseId", *dictionary, std::move(config));
}

}  // namespace zel::shell
