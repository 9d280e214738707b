#include "run_record.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "error_line.h"
#include "fixed_path.h"
#include "record_checksum.h"
#include "zelkit.h"

namespace {

constexpr const char* kRecordFile = "RUN.INI";
// Far more than the few lines a run writes.
constexpr int64_t kLargestRecord = 4096;

std::string SystemDirectory(const char* home) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    return system.c_str();
}

std::string RecordFile(const char* home) { return RunRecordDirectory(home) + kRecordFile; }

std::string JournalFile(const char* home) {
    const FixedPath file = FixedPath::Directory(JournalDirectory(home).c_str()).File("JOURNAL");
    return file.c_str();
}

// What a name of the record is now, never through a link.
uint32_t KindOf(const std::string& path) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info)) return Z_FILE_OTHER;
    return info.kind;
}

std::string HomeIdentity(const char* home) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(home, 0, &info)) return "";
    return std::to_string(info.volume) + ":" + std::to_string(info.index);
}

// The record's own names are the upgrade's: a link under one of them was
// put there by someone else, and is never followed.
bool CheckOwnNames(const char* home, std::string* why) {
    const std::string names[] = {RunRecordDirectory(home), RecordFile(home), JournalDirectory(home),
                                 JournalFile(home), SystemDirectory(home) + "OLDSERVICE.INF"};
    for (std::string name : names) {
        while (name.size() > 1 && (name.back() == Z_PATH_SEPARATOR || name.back() == '/')) name.pop_back();
        if (KindOf(name) == Z_FILE_LINK) {
            *why = name + " is a link; the upgrade's record is never read or written through one";
            return false;
        }
    }
    return true;
}

bool ReadRecordText(const std::string& path, std::string* text, std::string* why) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info) || info.kind != Z_FILE_REGULAR) {
        *why = path + " is not a file";
        return false;
    }
    if (info.size > static_cast<uint64_t>(kLargestRecord)) {
        *why = path + " holds " + std::to_string(info.size) + " bytes, more than any record of a run";
        return false;
    }
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, Z_NO_LINK);
    if (file == nullptr) {
        *why = Z_GetLastErrorPrompt(nullptr, 0);
        return false;
    }
    char buffer[kLargestRecord];
    const int64_t count = Z_ReadFile(file, buffer, kLargestRecord, 0);
    const bool read = Z_FileError(file) == 0;
    Z_CloseFile(file);
    if (!read) {
        *why = Z_GetLastErrorPrompt(nullptr, 0);
        return false;
    }
    text->assign(buffer, static_cast<size_t>(count));
    return true;
}

bool IsFlag(const std::string& value) { return value == "0" || value == "1"; }

// Every line "Key=Value" of a known key, each once, each value one the
// upgrade writes; the checksum last. why names what is wrong.
bool ParseRecord(const std::string& text, std::map<std::string, std::string>* values, std::string* why) {
    std::string body;
    if (!SplitChecksummedText(text, &body)) {
        *why = "its checksum does not match its contents";
        return false;
    }
    size_t start = 0;
    while (start < body.size()) {
        const size_t end = body.find('\n', start);
        if (end == std::string::npos) {
            *why = "its last line is cut short";
            return false;
        }
        const std::string line = body.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        bool known = false;
        if (key == "ServerProgramAbsent" || key == "ProfileMissing" || key == "OldProgramsFound" || key == "Journal") {
            known = IsFlag(value);
        } else if (key == "LexiconCharset") {
            known = value == "16" || value == "32" || value == "48" || value == "64";
        } else if (key == "NativeCharset") {
            known = value == "0" || value == "1" || value == "2" || value == "3";
        } else if (key == "Home") {
            known = !value.empty() && value.find(':') != std::string::npos;
        }
        if (equals == std::string::npos || !known || !values->emplace(key, value).second) {
            *why = "the line \"" + line + "\" is none the upgrade writes";
            return false;
        }
    }
    for (const char* required : {"ServerProgramAbsent", "ProfileMissing", "OldProgramsFound", "Journal", "Home"}) {
        if (values->count(required) == 0) {
            *why = std::string("it lacks ") + required;
            return false;
        }
    }
    return true;
}

}  // namespace

std::string RunRecordDirectory(const char* home) {
    const FixedPath directory = FixedPath::Directory(home).Sub("system").Sub("UPGRADE.RUN");
    return directory.c_str();
}

std::string JournalDirectory(const char* home) {
    const FixedPath directory = FixedPath::Directory(home).Sub("system").Sub("UPGRADE.RUN").Sub("JOURNAL");
    return directory.c_str();
}

bool LockHome(RunContext& run) {
    const std::string system = SystemDirectory(run.choices.home);
    // A home without a system directory holds nothing to guard; the run
    // stops at the dictionary shell with its own message.
    if (!Z_IsValidFilePath(system.c_str(), 0)) return true;
    const std::string path = system + "UPGRADE.LCK";
    run.homeLock = Z_LockPath(path.c_str(), 1);
    if (run.homeLock != nullptr) return true;
    if (Z_GetLastError() == Z_ERROR_LOCKED) {
        std::printf(
            "\nERROR: %s is in use by another upgrade (or by zelhome reading it), please wait until it ends!\n\n",
            run.choices.home);
    } else {
        PrintToolkitErrorLine();
    }
    return false;
}

void UnlockHome(RunContext& run) {
    Z_UnlockPath(run.homeLock);
    run.homeLock = nullptr;
}

void PrintDamagedRecord(const char* home, const std::string& why) {
    std::printf(
        "\nERROR: The record of an interrupted upgrade in %s is damaged: %s.\n"
        "Nothing was changed. Restore the home directory from its backup and run the upgrade again; or, to go on\n"
        "with the home as it is, remove the record with \"zelhome forget-run %s\" and run the upgrade again.\n\n",
        home, why.c_str(), home);
}

bool ReadRunRecord(RunContext& run) {
    const char* home = run.choices.home;
    std::string why;
    if (!CheckOwnNames(home, &why)) {
        PrintDamagedRecord(home, why);
        return false;
    }
    const std::string path = RecordFile(home);
    const bool hasRecord = KindOf(path) != Z_FILE_MISSING;
    const bool hasJournal = Z_HasFileJournal(JournalDirectory(home).c_str()) != 0;
    if (!hasRecord) {
        if (!hasJournal) return true;
        // The journal goes before the decisions do: a journal alone was left
        // by no run.
        PrintDamagedRecord(home, JournalFile(home) + " is there without " + path);
        return false;
    }
    std::string text;
    std::map<std::string, std::string> values;
    if (!ReadRecordText(path, &text, &why) || !ParseRecord(text, &values, &why)) {
        PrintDamagedRecord(home, path + ": " + why);
        return false;
    }
    if (values["Journal"] == "1" && !hasJournal) {
        PrintDamagedRecord(home, path + " says the dictionary phase kept a journal, and " + JournalFile(home) +
                                     " is missing");
        return false;
    }
    if (hasJournal) {
        // Every line and every saved copy is checked now, before anything
        // changes; the put-back in the dictionary phase obeys it.
        if (Z_CheckFileJournal(JournalDirectory(home).c_str(), home) == 0) {
            PrintDamagedRecord(home, Z_GetLastErrorPrompt(nullptr, 0));
            return false;
        }
    }
    if (values["Home"] != HomeIdentity(home)) {
        std::printf(
            "\nThe record of the interrupted upgrade was made in another folder (this home is a copy of that one, or "
            "was moved there); it is taken for this home only.\n");
    }
    run.resumed = true;
    run.serverProgramAbsent = values["ServerProgramAbsent"] == "1";
    run.profileMissing = values["ProfileMissing"] == "1";
    run.oldProgramsFound = values["OldProgramsFound"] == "1";
    if (values.count("LexiconCharset") != 0) {
        run.choices.lexiconCharsetAnswered = true;
        run.choices.lexiconCharsetCode = static_cast<uint16_t>(std::stoul(values["LexiconCharset"]));
    }
    if (values.count("NativeCharset") != 0) {
        run.choices.nativeCharsetAnswered = true;
        std::snprintf(run.choices.nativeCharsetAnswer, sizeof run.choices.nativeCharsetAnswer, "%s",
                      values["NativeCharset"].c_str());
    }
    return true;
}

bool WriteRunRecord(const RunContext& run) {
    // Nothing is made in a home without a system directory: the run stops at
    // the dictionary shell before it changes anything.
    if (!Z_IsValidFilePath(SystemDirectory(run.choices.home).c_str(), 0)) return true;
    const std::string directory = RunRecordDirectory(run.choices.home);
    if (!Z_IsValidFilePath(directory.c_str(), 0) && !Z_CreateDir(directory.c_str(), 0)) return false;
    const std::string path = directory + kRecordFile;
    std::string lines = "ServerProgramAbsent=" + std::string(run.serverProgramAbsent ? "1" : "0") + "\n" +
                        "ProfileMissing=" + std::string(run.profileMissing ? "1" : "0") + "\n" +
                        "OldProgramsFound=" + std::string(run.oldProgramsFound ? "1" : "0") + "\n";
    if (run.choices.lexiconCharsetAnswered) {
        lines += "LexiconCharset=" + std::to_string(run.choices.lexiconCharsetCode) + "\n";
    }
    if (run.choices.nativeCharsetAnswered) {
        lines += "NativeCharset=" + std::string(run.choices.nativeCharsetAnswer) + "\n";
    }
    lines += "Journal=" + std::string(run.journalKept ? "1" : "0") + "\n";
    lines += "Home=" + HomeIdentity(run.choices.home) + "\n";
    lines = ChecksummedText(lines);
    return Z_WriteWholeFile(path.c_str(), lines.data(), static_cast<int64_t>(lines.size()), Z_NO_LINK) != 0;
}

bool RemoveRunRecord(const RunContext& run) {
    const std::string directory = RunRecordDirectory(run.choices.home);
    if (KindOf(directory) == Z_FILE_MISSING) return true;
    const std::string journal = JournalDirectory(run.choices.home);
    const std::string path = directory + kRecordFile;
    const std::string work = path + ".NEW";
    // The journal goes before the decisions: a journal without them is
    // damage, never a stop in this removal.
    if (KindOf(journal) == Z_FILE_DIRECTORY &&
        (!Z_DiscardFileJournal(journal.c_str(), run.choices.home) || !Z_RemoveDir(journal.c_str()))) {
        return false;
    }
    if (KindOf(path) != Z_FILE_MISSING && !Z_DeleteFile(path.c_str())) return false;
    if (KindOf(work) != Z_FILE_MISSING && !Z_DeleteFile(work.c_str())) return false;
    return Z_RemoveDir(directory.c_str()) != 0;
}
