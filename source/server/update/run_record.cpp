#include "run_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "error_line.h"
#include "fixed_path.h"
#include "zelkit.h"

namespace {

constexpr const char* kRecordFile = "RUN.INI";

std::string SystemDirectory(const char* home) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    return system.c_str();
}

std::string RecordFile(const char* home) { return RunRecordDirectory(home) + kRecordFile; }

bool ReadValue(const std::string& line, const char* key, std::string* value) {
    const size_t length = std::strlen(key);
    if (line.compare(0, length, key) != 0 || line.size() <= length || line[length] != '=') return false;
    *value = line.substr(length + 1);
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

bool ReadRunRecord(RunContext& run) {
    const std::string path = RecordFile(run.choices.home);
    if (!Z_IsValidFileName(path.c_str())) return true;
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return false;
    run.resumed = true;
    char text[Z_MAX_LINE];
    while (Z_ReadFileLine(file, text, sizeof text, nullptr)) {
        const std::string line = text;
        std::string value;
        if (ReadValue(line, "ServerProgramAbsent", &value)) {
            run.serverProgramAbsent = value == "1";
        } else if (ReadValue(line, "ProfileMissing", &value)) {
            run.profileMissing = value == "1";
        } else if (ReadValue(line, "OldProgramsFound", &value)) {
            run.oldProgramsFound = value == "1";
        } else if (ReadValue(line, "LexiconCharset", &value)) {
            run.choices.lexiconCharsetAnswered = true;
            run.choices.lexiconCharsetCode = static_cast<uint16_t>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (ReadValue(line, "NativeCharset", &value)) {
            run.choices.nativeCharsetAnswered = true;
            std::snprintf(run.choices.nativeCharsetAnswer, sizeof run.choices.nativeCharsetAnswer, "%s", value.c_str());
        }
    }
    const bool read = Z_FileError(file) == 0;
    Z_CloseFile(file);
    return read;
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
    return Z_WriteWholeFile(path.c_str(), lines.data(), static_cast<int64_t>(lines.size())) != 0;
}

bool RemoveRunRecord(const RunContext& run) {
    const std::string directory = RunRecordDirectory(run.choices.home);
    if (!Z_IsValidFilePath(directory.c_str(), 0)) return true;
    const std::string journal = JournalDirectory(run.choices.home);
    const std::string path = directory + kRecordFile;
    const std::string work = path + ".NEW";
    // The decisions go first: a record cut short in its removal is never
    // taken for a run to go on with.
    if (Z_IsValidFileName(path.c_str()) && !Z_DeleteFile(path.c_str())) return false;
    if (Z_IsValidFileName(work.c_str()) && !Z_DeleteFile(work.c_str())) return false;
    if (Z_IsValidFilePath(journal.c_str(), 0) &&
        (!Z_DiscardFileJournal(journal.c_str()) || !Z_RemoveDir(journal.c_str()))) {
        return false;
    }
    return Z_RemoveDir(directory.c_str()) != 0;
}
