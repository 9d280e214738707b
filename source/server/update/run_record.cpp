#include "run_record.h"

#include <cstdio>
#include <cstring>

#include "console.h"
#include "error_line.h"
#include "fixed_path.h"
#include "run_record_file.h"
#include "zelkit.h"

namespace {

std::string SystemDirectory(const char* home) {
    const FixedPath system = FixedPath::Directory(home).Sub("system");
    return system.c_str();
}

// What a name of the record is now, never through a link; false (the last
// error set) when the system cannot tell.
bool KindOf(const std::string& path, uint32_t* kind) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), Z_NO_LINK, &info)) return false;
    *kind = info.kind;
    return true;
}

// Whether the home has a system directory: 1, 0, or -1 with the reason
// printed as the run's ERROR line.
int SystemDirectoryThere(const char* home) {
    const int there = Z_DirExists(SystemDirectory(home).c_str());
    if (there < 0) PrintToolkitErrorLine();
    return there;
}

}  // namespace

bool LockHome(RunContext& run) {
    const std::string system = SystemDirectory(run.choices.home);
    // A home without a system directory holds nothing to guard; the run
    // stops at the dictionary shell with its own message.
    const int there = SystemDirectoryThere(run.choices.home);
    if (there <= 0) return there == 0;
    const std::string path = system + "UPGRADE.LCK";
    run.homeLock = Z_LockPath(path.c_str(), 1);
    if (run.homeLock != nullptr) return true;
    if (Z_GetLastError() == Z_ERROR_NOT_OWN) {
        PrintForeignRecord(run.choices.home, NotOwnText());
    } else if (Z_GetLastError() == Z_ERROR_LOCKED) {
        ConsolePrint(
            "\nERROR: %s is in use by another upgrade (or by zelhome reading it), please wait until it ends!\n\n",
            run.choices.home);
    } else {
        PrintToolkitErrorLine();
    }
    return false;
}

bool UnlockHome(RunContext& run) {
    const bool removed = Z_UnlockPath(run.homeLock) != 0;
    run.homeLock = nullptr;
    return removed;
}

void PrintForeignRecord(const char* home, const std::string& why) {
    ConsolePrint(
        "\nERROR: The record of an interrupted upgrade in %s is not this home's upgrade's own: %s.\n"
        "Nothing was changed. Such a record is never obeyed, whoever could have written it. Restore the home\n"
        "directory from its backup and run the upgrade again; or, to go on with the home as it is, remove the\n"
        "record with \"zelhome forget-run %s\" and run the upgrade again.\n\n",
        home, why.c_str(), home);
}

bool ReadRunRecord(RunContext& run, RecordCheck* refused, std::string* why) {
    const char* home = run.choices.home;
    RunRecordValues values;
    const RecordCheck verdict = CheckRunRecord(home, &values, why);
    switch (verdict) {
        case RecordCheck::None: return true;
        case RecordCheck::Damaged:
        case RecordCheck::Foreign:
        case RecordCheck::Unreadable: *refused = verdict; return false;
        case RecordCheck::Whole: break;
    }
    run.resumed = true;
    run.journalCut = values.count(kJournalCutKey) != 0;
    // Rewritten as it was until the journal goes: a journal lost meanwhile
    // is still found.
    run.journalKept = values["Journal"] == "1";
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

namespace {

bool WriteRecordFiles(const RunContext& run, bool journalFolder) {
    const std::string directory = RunRecordDirectory(run.choices.home);
    // Made for the running user (and the administrators) alone, as is every
    // file the record holds: nobody else may write what a later run obeys.
    if (!Z_CreateDir(directory.c_str(), Z_OWN_FILE)) return false;
    if (journalFolder && !Z_CreateDir(JournalDirectory(run.choices.home).c_str(), Z_OWN_FILE)) return false;
    const std::string path = RunRecordFile(run.choices.home);
    // A record without the home's identity would be refused by the next
    // run: the write fails with the reason instead.
    const std::string identity = HomeIdentity(run.choices.home);
    if (identity.empty()) return false;
    RunRecordValues values = {
        {"ServerProgramAbsent", run.serverProgramAbsent ? "1" : "0"},
        {"ProfileMissing", run.profileMissing ? "1" : "0"},
        {"OldProgramsFound", run.oldProgramsFound ? "1" : "0"},
        {"Journal", run.journalKept ? "1" : "0"},
        {"Home", identity},
    };
    if (run.choices.lexiconCharsetAnswered) values["LexiconCharset"] = std::to_string(run.choices.lexiconCharsetCode);
    if (run.choices.nativeCharsetAnswered) values["NativeCharset"] = run.choices.nativeCharsetAnswer;
    const std::string lines = FormatRunRecord(values);
    return Z_WriteWholeFile(path.c_str(), lines.data(), static_cast<int64_t>(lines.size()), Z_OWN_FILE) != 0;
}

}  // namespace

bool WriteRunRecord(const RunContext& run, bool journalFolder) {
    // Nothing is made in a home without a system directory: the run stops at
    // the dictionary shell before it changes anything.
    const int system = Z_DirExists(SystemDirectory(run.choices.home).c_str());
    if (system <= 0) return system == 0;
    if (!journalFolder) return WriteRecordFiles(run, false);
    // Beside the journal just opened, whose own name is on the disk and
    // whose folder's name in UPGRADE.RUN waits for this record: RUN.INI
    // takes its name and the folder is flushed once for both. A cut before
    // leaves a journal that records nothing without a record, or no
    // journal folder at all.
    if (run.journal != nullptr) return WriteRecordFiles(run, true);
    // Without an open journal (a check's record, a resumed run's): the
    // folders' flushes wait for the batch's end, in the order of their
    // changes (system, then UPGRADE.RUN), and RUN.INI is on the disk when
    // this returns. A cut before leaves an empty folder or two, which a run
    // takes for no record, or RUN.INI beside an empty journal folder, which
    // holds no journal.
    Z_BeginDurableBatch();
    const bool written = WriteRecordFiles(run, journalFolder);
    return Z_EndDurableBatch() != 0 && written;
}

bool RemoveRunRecord(const RunContext& run) {
    const std::string directory = RunRecordDirectory(run.choices.home);
    uint32_t kind = Z_FILE_MISSING;
    if (!KindOf(directory, &kind)) return false;
    if (kind == Z_FILE_MISSING) return true;
    const std::string journal = JournalDirectory(run.choices.home);
    const std::string path = RunRecordFile(run.choices.home);
    const std::string work = path + ".NEW";
    // The journal goes before the decisions: a journal without them is
    // damage, never a stop in this removal.
    const int kept = Z_HasFileJournal(journal.c_str());
    if (kept < 0) return false;
    if (kept > 0 && !Z_DiscardFileJournal(run.journal.get(), journal.c_str(), run.choices.home)) return false;
    // The decisions go first, and reach the disk before the name the ended
    // journal was set aside under goes, which tells it from a lost one while
    // they say a journal was kept: a power cut before leaves RUN.INI, and
    // the next run finishes the run it records. A name the system cannot
    // tell about stops the removal with its reason.
    Z_BeginDurableBatch();
    bool removed = KindOf(path, &kind) && (kind == Z_FILE_MISSING || Z_DeleteFile(path.c_str())) &&
                   KindOf(work, &kind) && (kind == Z_FILE_MISSING || Z_DeleteFile(work.c_str()));
    if (!Z_EndDurableBatch() || !removed) return false;
    // What is left goes together, the home's system folder flushed once.
    Z_BeginDurableBatch();
    removed = KindOf(journal, &kind) &&
              (kind != Z_FILE_DIRECTORY || (Z_RemoveFileJournal(journal.c_str()) && Z_RemoveDir(journal.c_str()))) &&
              Z_RemoveDir(directory.c_str());
    return Z_EndDurableBatch() && removed;
}
