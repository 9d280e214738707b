// Phase 2 of the upgrade: the nine dictionary files, then the system
// dictionaries through the dictionary shell. The first failure stops the run.
#include <cstdio>
#include <initializer_list>
#include <string>

#include "association_lexicons.h"
#include "console.h"
#include "data_formats.h"
#include "dependent_indices.h"
#include "dict_file_headers.h"
#include "error_line.h"
#include "fixed_path.h"
#include "native_charset.h"
#include "relation_columns.h"
#include "run_record.h"
#include "shell_answers.h"
#include "system_config.h"
#include "system_databases.h"
#include "system_lexicons.h"
#include "upgrade_run.h"
#include "upgrade_steps.h"
#include "zelkit.h"
#include "zemshell.h"

namespace {

constexpr uint32_t kDictFileErrorCode = 17400;
constexpr const char* kDictFileErrorSource = "..\\..\\source\\server\\update";

struct DictFileStep {
    const char* label;
    int line;
};
constexpr DictFileStep kDictFileSteps[9] = {
    {"UPDATE CONFIG", 3128},      {"UPDATE GROUP", 3129},       {"UPDATE USER", 3130},
    {"UPDATE DATABASE", 3131},    {"UPDATE BASE COLUMN", 3132}, {"UPDATE VIEW", 3133},
    {"UPDATE VIEW COLUMN", 3134}, {"UPDATE RIGHT", 3135},       {"UPDATE DATA FORMAT", 3136},
};

bool OpenShell(RunContext& run, const char*) { return ShellOpen(run.choices.home, -1, -1, -1, -1) != 0; }

// The shell is opened once before the files are edited directly, so that a
// home it cannot open stops the run before any file changes.
bool CheckShellOpens(RunContext& run, const char*) {
    if (!OpenShell(run, nullptr)) return false;
    ShellClose();
    return true;
}

constexpr const char* kDictFilesStep = "bring the nine dictionary files to the current title";

// The row's ERROR line shows the text as it is: the step's name goes in
// front of the cause of a failure that no file's label names.
bool LabelledByStep(const char* step) {
    const std::string cause = Z_GetLastErrorPrompt(nullptr, 0);
    Z_SetLastErrorText(Z_GetLastError(), "%s: %s", step, cause.c_str());
    return false;
}

void NoteDictFile(RunContext& run, uint16_t index) {
    const std::string relative = std::string("system/") + DictFileName(index);
    run.actions.Note(ActionKind::FileWritten, ActionGroup::Dictionary, HomeTarget(relative),
                     "brought to the current title");
    ZFileInfo info{};
    const FixedPath path = FixedPath::Directory(run.choices.home).Sub("system").File(DictFileName(index));
    if (path.ok() && Z_GetFileInfo(path.c_str(), 0, &info)) {
        run.actions.bytesConverted += static_cast<int64_t>(info.size);
    }
}

// A file that fails is reported by its label, with the cause after it: the
// toolkit's text naming the call, the file and the reason.
bool UpdateDictFiles(RunContext& run, const char*) {
    if (!JournalDictFileHeaders(run.choices.home, run.journal.get())) return LabelledByStep(kDictFilesStep);
    // VIEW.DIC (5) first: its move flushes the journal with the headers
    // recorded above, and the headers written in place after it owe none.
    constexpr uint16_t kOrder[] = {5, 0, 1, 2, 3, 4, 6, 7, 8};
    bool updated[9] = {};
    int failed = -1;
    for (uint16_t index : kOrder) {
        if (!UpdateDictFile(index, run.choices.home, &updated[index], run.journal.get())) {
            failed = index;
            break;
        }
    }
    const std::string cause = failed >= 0 ? Z_GetLastErrorPrompt(nullptr, 0) : "";
    // Noted in the files' own order, whatever the order of their changes.
    for (uint16_t index = 0; index < 9; ++index) {
        if (updated[index]) NoteDictFile(run, index);
    }
    if (failed < 0) return true;
    std::string text = kDictFileSteps[failed].label;
    if (!cause.empty()) text += ": " + cause;
    Z_CaptureError(kDictFileErrorCode, text.c_str(), kDictFileErrorSource, kDictFileSteps[failed].line);
    return false;
}

bool GetEnvironment(RunContext& run, const char*) { return GetObjectEnv(3, &run.env) != nullptr; }

bool SelectNativeCharsetStep(RunContext& run, const char*) { return SelectNativeCharset(run); }

bool ReadNativeCharset(RunContext& run, const char*) { return QueryNativeCharset(&run.nativeCharset); }

bool UpdateRelationColumnsStep(RunContext& run, const char*) { return UpdateRelationColumns(&run.env); }

// The entity lexicon alone when no new dictionaries were asked for,
// otherwise the system lexicons, the segmentation lexicon files and the
// indices that depend on refilled lexicons.
bool UpgradeLexicons(RunContext& run, const char*) {
    if (run.choices.lexiconCharsetCode == CHARSET_CODE_NONE) return UpgradeEntityLexicon(run);
    constexpr int kKinds[] = {LEXICON_AMBIGUOUS, LEXICON_WBIGRAM, LEXICON_CBIGRAM, LEXICON_SINGLE};
    // Each segmentation lexicon file takes its name by a move, which waits
    // for the journal's line about what had the name: recorded ahead with
    // the system lexicons' renames, their lines reach the disk with the one
    // flush before the first of those. After those renames' own lines: a
    // file one of them renames may have the name of such a file (the BIG5
    // set), and the put-back then removes the name the rename gave before
    // it brings back the name it took.
    if (!JournalSystemLexiconRenames(run)) return false;
    for (int kind : kKinds) {
        std::string target;
        const int wanted = AssociationLexiconTarget(run.choices, kind, &target);
        if (wanted < 0 || (wanted > 0 && !Z_JournalWhole(run.journal.get(), target.c_str()))) return false;
    }
    if (!UpgradeSystemLexicons(run)) return false;
    for (int kind : kKinds) {
        std::string made;
        if (!CreateAssociationLexicon(run.choices, kind, &made)) return false;
        if (!made.empty()) run.actions.Note(ActionKind::DatabaseMade, ActionGroup::Databases, made, "lexicon");
    }
    return RemoveDependentIndices(run);
}

bool RemoveSdiBookStep(RunContext& run, const char*) {
    bool removed = false;
    if (!RemoveSdiBook(&run.env, &removed)) return false;
    if (removed) {
        run.actions.Note(ActionKind::DatabaseRemoved, ActionGroup::Dictionary, "SYSTEM.SDIBOOK", "with its data file");
    }
    return true;
}

bool UpdateDataFormatsStep(RunContext& run, const char*) {
    return UpdateDataFormats(&run.env, run.nativeCharset, &run.actions);
}

bool UpdateSystemConfigStep(RunContext& run, const char*) { return UpdateSystemConfig(run); }

// The journal's files go back (when asked) and reach the disk; the journal
// then goes in one step that leaves the name it was set aside under, which
// tells the next run that the journal the record speaks of ended. A stop
// anywhere before leaves a journal the next run can obey.
bool EndJournal(RunContext& run, bool putBack) {
    const std::string journal = JournalDirectory(run.choices.home);
    const char* home = run.choices.home;
    const int kept = Z_HasFileJournal(journal.c_str());
    if (kept <= 0) return kept == 0;
    // The journal an interrupted run left gets an object of its own, so that
    // its discard knows what its flush did.
    if (run.journal == nullptr) run.journal.reset(Z_FileJournalAt(journal.c_str()));
    if (putBack && !Z_UndoFileJournal(journal.c_str(), home)) return false;
    if (!Z_FlushFileJournal(run.journal.get(), journal.c_str(), home)) return false;
    if (!Z_DiscardFileJournal(run.journal.get(), journal.c_str(), home)) return false;
    run.journalKept = false;
    return true;
}

// A run killed in this phase left its journal: the dictionary, the kernel's
// files and the lexicon files go back to what they were before that run's
// phase, work files included, and the phase is made again from the start.
bool PutBackInterruptedRun(RunContext& run, const char*) {
    const int kept = Z_HasFileJournal(JournalDirectory(run.choices.home).c_str());
    if (kept <= 0) return kept == 0;
    ConsolePrint("\nPutting the data dictionaries back as they were before the interrupted upgrade...\n");
    if (run.journalCut) {
        ConsolePrint("The journal's last record was cut by a crash and is passed over: nothing it prepared was "
                     "changed.\n");
    }
    return EndJournal(run, true);
}

// The journal opens, then the record saying it was kept is written (a first
// run's first): both are on the disk before the journal's first line, so a
// journal that records a change always has its record. A stop between
// leaves a journal that records nothing, which the next run ends.
bool OpenJournal(RunContext& run, const char*) {
    // A check keeps every change to itself: there is nothing to put back.
    if (run.mode == RunMode::Check) return run.resumed || WriteRunRecord(run, true);
    // The run's own record is not put back with the dictionary.
    run.journal.reset(Z_OpenFileJournal(JournalDirectory(run.choices.home).c_str(), run.choices.home,
                                        RunRecordDirectory(run.choices.home).c_str()));
    if (run.journal == nullptr) return false;
    run.journalKept = true;
    return WriteRunRecord(run, true);
}

constexpr OnFailure kStop = OnFailure::StopRun;
constexpr ErrorLine kToolkit = ErrorLine::Toolkit;

// Up to the shell opened for the system dictionaries.
constexpr UpgradeStep kDictionaryFileSteps[] = {
    {"put back what an interrupted run left", PutBackInterruptedRun, nullptr, kStop, kToolkit},
    {"check that the dictionary shell opens the home", CheckShellOpens, nullptr, kStop, kToolkit},
    {"record every file before its first change", OpenJournal, nullptr, kStop, kToolkit},
    {kDictFilesStep, UpdateDictFiles, nullptr, kStop, ErrorLine::Labelled},
    {"open the dictionary shell", OpenShell, nullptr, kStop, kToolkit},
};

// With the shell open.
constexpr UpgradeStep kCharsetSteps[] = {
    {"get the object environment", GetEnvironment, nullptr, kStop, kToolkit},
    {"select the native character set", SelectNativeCharsetStep, nullptr, kStop, kToolkit},
    {"read the native character set", ReadNativeCharset, nullptr, kStop, kToolkit},
};

constexpr UpgradeStep kSystemDictionarySteps[] = {
    {"set the flags of the relation columns", UpdateRelationColumnsStep, nullptr, kStop, kToolkit},
    {"upgrade the lexicons and relation databases", UpgradeLexicons, nullptr, kStop, kToolkit},
    {"remove SDIBOOK", RemoveSdiBookStep, nullptr, kStop, kToolkit},
    {"update the data formats", UpdateDataFormatsStep, nullptr, kStop, kToolkit},
    {"update the system configuration", UpdateSystemConfigStep, nullptr, kStop, kToolkit},
};

// After a stop in this phase, the files go back as they were before it: a
// stop changes nothing it could not finish. When even that fails, the
// journal stays, and the next run puts them back first.
void PutBackStoppedPhase(RunContext& run, size_t actionsBefore) {
    constexpr const char* kPutBackStep = "put the data dictionaries back";
    Z_CloseFileJournal(run.journal.get());
    if (EndJournal(run, true)) {
        // What the phase changed is as it was: none of it is a change.
        run.actions.done.erase(run.actions.done.begin() + static_cast<std::ptrdiff_t>(actionsBefore),
                               run.actions.done.end());
        return;
    }
    PrintToolkitErrorLine(kPutBackStep);
    ConsolePrint("\nThe data dictionaries could not be put back; run the upgrade again to do so.\n\n");
    run.failedSteps.push_back(FailedStepNow(kPutBackStep));
}

}  // namespace

bool UpgradeDictionaries(RunContext& run) {
    ConsolePrint("\nNow, Updating the data dictionaries...\n");
    const size_t actionsBefore = run.actions.done.size();
    if (RunSteps(run, kDictionaryFileSteps) == StepsResult::Stopped) {
        PutBackStoppedPhase(run, actionsBefore);
        return false;
    }

    bool failed = RunSteps(run, kCharsetSteps) == StepsResult::Stopped;
    // An answer typed at the menu is kept for a run that must go on after
    // this one.
    if (!failed && run.choices.nativeCharsetAnswered && !WriteRunRecord(run)) {
        PrintToolkitErrorLine("record the native character set answered");
        failed = true;
    }

    ConsolePrint("\nNow, Updating the system dictionaries...\n");
    if (!failed && RunSteps(run, kSystemDictionarySteps) == StepsResult::Stopped) failed = true;
    // The shell writes its records in place while the journal records the
    // files; closing lets them go, and a file whose last bytes could not be
    // written fails the phase, which then puts everything back.
    if (ShellClose() == 0 && !failed) {
        PrintToolkitErrorLine("close the dictionary shell");
        failed = true;
    }
    if (failed) {
        PutBackStoppedPhase(run, actionsBefore);
    } else {
        Z_CloseFileJournal(run.journal.get());
        // The phase is done: nothing of it is put back any more.
        if (!EndJournal(run, false)) {
            PrintToolkitErrorLine("end the journal of the dictionary phase");
            failed = true;
            // The journal is still there when it could not go (the files it
            // recorded could not all be flushed, or it could not be
            // removed): the phase stops as any stop in it does, its files
            // put back.
            PutBackStoppedPhase(run, actionsBefore);
        }
    }
    return !failed;
}
