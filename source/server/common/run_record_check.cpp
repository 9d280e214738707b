// The checks a record of an interrupted run passes before anything of it
// is obeyed: by the upgrade at its start, and by zelhome preview, which
// must find what the upgrade would refuse.
#include <cstdio>
#include <iterator>
#include <vector>

#include "fixed_path.h"
#include "run_record_file.h"
#include "zelkit.h"

namespace {

// Far more than the few lines a run writes.
constexpr int64_t kLargestRecord = 4096;

std::string Trimmed(std::string path) {
    while (path.size() > 1 && (path.back() == Z_PATH_SEPARATOR || path.back() == '/')) path.pop_back();
    return path;
}

// The kind of file under path; false when it cannot be told, with why
// naming the path and the system's reason.
bool LookKind(const std::string& path, uint32_t* kind, std::string* why) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(Trimmed(path).c_str(), Z_NO_LINK, &info)) {
        const char* reason = Z_GetLastErrorPrompt(nullptr, 0);
        *why = Trimmed(path) + " cannot be looked at: " + (reason != nullptr ? reason : "");
        return false;
    }
    *kind = info.kind;
    return true;
}

std::string JournalFile(const char* home) {
    const FixedPath file = FixedPath::Directory(JournalDirectory(home).c_str()).File("JOURNAL");
    return file.c_str();
}

// The record's own names are the upgrade's: a link under one of them was
// put there by someone else, and is never followed; a file or folder under
// one of them is obeyed only when it is the program's own.
RecordCheck CheckOwnNames(const char* home, std::string* why) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    const FixedPath oldService = system.File("OLDSERVICE.INF");
    const FixedPath serviceName = system.File("SERVICE.INF");
    const std::string names[] = {RunRecordDirectory(home), RunRecordFile(home), JournalDirectory(home),
                                 JournalFile(home),        oldService.c_str(),  serviceName.c_str()};
    for (const std::string& name : names) {
        uint32_t kind = Z_FILE_MISSING;
        if (!LookKind(name, &kind, why)) return RecordCheck::Unreadable;
        if (kind == Z_FILE_LINK) {
            *why = Trimmed(name) + " is a link; the upgrade's record is never read or written through one";
            return RecordCheck::Damaged;
        }
    }
    // Where the record's folder is a file, no record can be read or made.
    uint32_t folder = Z_FILE_MISSING;
    if (!LookKind(RunRecordDirectory(home), &folder, why)) return RecordCheck::Unreadable;
    if (folder != Z_FILE_MISSING && folder != Z_FILE_DIRECTORY) {
        *why = Trimmed(RunRecordDirectory(home)) + " is not a folder";
        return RecordCheck::Damaged;
    }
    // The lock too: a link there is no lock anyone holds and goes as a name,
    // but a file someone else made there is never taken for the run's.
    const FixedPath lock = system.File("UPGRADE.LCK");
    std::vector<std::string> owned(std::begin(names), std::end(names));
    owned.push_back(lock.c_str());
    for (const std::string& name : owned) {
        ZFileInfo info{};
        if (!Z_GetFileInfo(Trimmed(name).c_str(), Z_OWN_FILE, &info) && Z_GetLastError() == Z_ERROR_NOT_OWN) {
            *why = NotOwnText();
            return RecordCheck::Foreign;
        }
    }
    return RecordCheck::None;
}

// What keeps the record from being read: a record that is not what the
// run writes is damage; a record someone else made is not the run's own;
// anything else is the system's, and says nothing about the record.
RecordCheck ReadRecordText(const std::string& path, std::string* text, std::string* why) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info)) {
        const char* reason = Z_GetLastErrorPrompt(nullptr, 0);
        *why = path + " cannot be looked at: " + (reason != nullptr ? reason : "");
        return RecordCheck::Unreadable;
    }
    if (info.kind != Z_FILE_REGULAR) {
        *why = path + " is not a file";
        return RecordCheck::Damaged;
    }
    if (info.size > static_cast<uint64_t>(kLargestRecord)) {
        *why = path + " holds " + std::to_string(info.size) + " bytes, more than any record of a run";
        return RecordCheck::Damaged;
    }
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, Z_OWN_FILE);
    if (file == nullptr) {
        if (Z_GetLastError() == Z_ERROR_NOT_OWN) {
            *why = NotOwnText();
            return RecordCheck::Foreign;
        }
        *why = Z_GetLastErrorPrompt(nullptr, 0);
        return RecordCheck::Unreadable;
    }
    char buffer[kLargestRecord];
    const int64_t count = Z_ReadFile(file, buffer, kLargestRecord, 0);
    const bool read = Z_FileError(file) == 0;
    if (!read) *why = Z_GetLastErrorPrompt(nullptr, 0);
    Z_CloseFile(file);
    if (!read) return RecordCheck::Unreadable;
    text->assign(buffer, static_cast<size_t>(count));
    return RecordCheck::Whole;
}

// Why the journal's check failed, as the last error says it.
RecordCheck JournalRefused(std::string* why) {
    const uint32_t error = Z_GetLastError();
    *why = error == Z_ERROR_NOT_OWN ? NotOwnText() : Z_GetLastErrorPrompt(nullptr, 0);
    if (error == Z_ERROR_NOT_OWN) return RecordCheck::Foreign;
    // Only a journal that fails its checks, or holds a link or a name it
    // never made, is damaged; a journal the system could not read is no
    // finding about the journal.
    const bool damaged = error == Z_ERROR_DAMAGED || error == Z_ERROR_UNSAFE_LINK ||
                         error == Z_ERROR_BAD_ARGUMENT || error == Z_ERROR_TOO_LONG || error == Z_ERROR_CHARSET;
    return damaged ? RecordCheck::Damaged : RecordCheck::Unreadable;
}

}  // namespace

std::string RunRecordDirectory(const char* home) {
    const FixedPath directory = FixedPath::Directory(home).Sub("system").Sub("UPGRADE.RUN");
    return directory.c_str();
}

std::string RunRecordFile(const char* home) {
    const FixedPath file = FixedPath::Directory(RunRecordDirectory(home).c_str()).File("RUN.INI");
    return file.c_str();
}

std::string JournalDirectory(const char* home) {
    const FixedPath directory = FixedPath::Directory(RunRecordDirectory(home).c_str()).Sub("JOURNAL");
    return directory.c_str();
}

std::string HomeIdentity(const char* home) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(home, 0, &info)) return "";
    return std::to_string(info.volume) + ":" + std::to_string(info.index);
}

std::string NotOwnText() {
    const std::string text = Z_GetLastErrorPrompt(nullptr, 0);
    const std::string marker = "cannot trust ";
    const size_t at = text.find(marker);
    return at == std::string::npos ? text : text.substr(at + marker.size());
}

RecordCheck CheckRunRecord(const char* home, RunRecordValues* values, std::string* why) {
    const RecordCheck names = CheckOwnNames(home, why);
    if (names != RecordCheck::None) return names;
    const std::string path = RunRecordFile(home);
    uint32_t record = Z_FILE_MISSING;
    if (!LookKind(path, &record, why)) return RecordCheck::Unreadable;
    const bool hasRecord = record != Z_FILE_MISSING;
    const int journal = Z_HasFileJournal(JournalDirectory(home).c_str());
    if (journal < 0) {
        const char* reason = Z_GetLastErrorPrompt(nullptr, 0);
        *why = reason != nullptr ? reason : JournalFile(home) + " cannot be looked at";
        return RecordCheck::Unreadable;
    }
    const bool hasJournal = journal != 0;
    if (!hasRecord) {
        if (!hasJournal) return RecordCheck::None;
        // The record is first written once the journal is open, before the
        // journal's first line: a journal alone that records nothing is one
        // a run opened before it stopped, and holds nothing to obey (the
        // put-back ends it). The journal goes before the decisions do: a
        // journal alone that records something was left by no run.
        const int empty = Z_FileJournalIsEmpty(JournalDirectory(home).c_str(), home);
        if (empty > 0) return RecordCheck::None;
        if (empty < 0) return JournalRefused(why);
        *why = JournalFile(home) + " is there without " + path;
        return RecordCheck::Damaged;
    }
    std::string text;
    const RecordCheck read = ReadRecordText(path, &text, why);
    if (read != RecordCheck::Whole) return read;
    if (!ParseRunRecord(text, values, why)) {
        *why = path + ": " + *why;
        return RecordCheck::Damaged;
    }
    // What the record decided and changed was this home's, not another's.
    // A home whose identity the system cannot tell is no other home.
    const std::string identity = HomeIdentity(home);
    if (identity.empty()) {
        *why = Z_GetLastErrorPrompt(nullptr, 0);
        return RecordCheck::Unreadable;
    }
    if ((*values)["Home"] != identity) {
        *why = path + " was made for another home folder (" + (*values)["Home"] +
               "; this one is a copy of it, or was moved here from another volume)";
        return RecordCheck::Foreign;
    }
    if ((*values)["Journal"] == "1" && !hasJournal) {
        // A journal that ended leaves the name it was set aside under until
        // the record goes: only a journal without it was lost.
        const int ended = Z_FileJournalEnded(JournalDirectory(home).c_str());
        if (ended < 0) {
            *why = Z_GetLastErrorPrompt(nullptr, 0);
            return RecordCheck::Unreadable;
        }
        if (ended == 0) {
            *why = path + " says the dictionary phase kept a journal, and " + JournalFile(home) + " is missing";
            return RecordCheck::Damaged;
        }
        values->insert_or_assign("Journal", std::string(1, '0'));
    }
    // Every line and every saved copy is checked now, before anything
    // changes; the put-back in the dictionary phase obeys it.
    if (!hasJournal) return RecordCheck::Whole;
    switch (Z_CheckFileJournal(JournalDirectory(home).c_str(), home)) {
        case 1: return RecordCheck::Whole;
        case 3: values->insert_or_assign(kJournalCutKey, std::string(1, '1')); return RecordCheck::Whole;
        case 2:
            *why = JournalFile(home) + " was made for another home folder (this one is a copy of it, or was moved "
                                       "here from another volume)";
            return RecordCheck::Foreign;
        default: return JournalRefused(why);
    }
}
