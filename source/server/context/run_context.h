// What one upgrade run knows and hands from step to step: the choices read
// at the start, what the run found in the home before changing it, and what
// the dictionary steps record for the steps after them. The driver owns one
// run context for the run; every step receives it (or the part it needs)
// and nothing of a run lives anywhere else.
//
// It holds the dictionary shell's object environment, so only the libraries
// that work through the shell use it; the file steps take the choices
// (run_choices.h) or a directory.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "charset_numbers.h"
#include "dictionary_records.h"
#include "profile_draft.h"
#include "run_actions.h"
#include "run_choices.h"
#include "service_registration.h"
#include "zelkit.h"

// The nine system lexicons that the lexicon step creates or refills, in the
// order it handles them.
enum SystemLexicon {
    SEGMENT_GB,
    STOP_GB,
    IDEO_ALL_GB,
    SEGMENT_BIG5,
    STOP_BIG5,
    IDEO_ALL_BIG5,
    SEGMENT_UTF8,
    STOP_UTF8,
    IDEO_ALL_UTF8,
    SYSTEM_LEXICON_COUNT
};

// Lexicon ids recorded by the system lexicon step, by SystemLexicon (0 = not
// recorded).
using LexiconIds = uint32_t[SYSTEM_LEXICON_COUNT];

enum RelationKindIndex { RELATION_THESAURUS = 0, RELATION_SYNONYM = 1, RELATION_ANTONYM = 2 };

// What the dictionary steps of this run made or chose, for the steps after
// them (the system configuration above all).
struct DictionaryOutcome {
    // The native charset number picked by the character set selection (0
    // when none was picked), even when a database then refused it.
    int nativeCharsetChosen = 0;
    LexiconIds lexiconIds = {};
    uint32_t stopEnglishId = 0;
    // Existing segment and stop lexicons refilled in this run.
    uint32_t replacedSegmentId = 0;
    uint32_t replacedStopId = 0;
    // Relation database ids by kind and by CharsetNumbers::relationIndex.
    uint32_t relationIds[3][RELATION_CHARSET_COUNT] = {};
    bool newSystemDatabase = false;
};

// What the summary says beside the changes (which are the run's actions,
// run_actions.h): what is left to the administrator and how the programs'
// names were left.
struct RunSummary {
    // Indices built with a refilled lexicon, as OWNER.NAME of their
    // database, left to remove and rebuild by hand.
    std::vector<std::string> indicesToRebuild;
    // The previous release's programs were renamed, with copies under the
    // old names when oldNamesKept.
    bool oldProgramsRenamed = false;
    bool oldNamesKept = false;
};

// What a run does: the upgrade, or (-CHECK) its first phase alone, every
// check before the first change, after which it ends changing nothing.
enum class RunMode { Upgrade, Check };

// The run owns its journal's object: it goes with the run.
struct JournalFree {
    void operator()(HZJOURNAL journal) const { Z_FreeFileJournal(journal); }
};

struct RunContext {
    RunMode mode = RunMode::Upgrade;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    RunChoices choices;
    // Found before anything changed.
    bool serverProgramAbsent = false;  // HOME/bin/zelserver.exe was missing
    bool profileMissing = false;       // HOME/system/PROFILE.INI was missing
    bool oldProgramsFound = false;     // HOME/bin/z40server.exe was there
    bool oldServiceRemoved = false;    // the previous release's service was removed (by this run or an earlier one)
    // What the service manager held of the previous release's service, when
    // this run removed it (a "service removed" action): a stop registers it
    // again so.
    ServiceRegistration removedService;
    // The dictionary shell's object environment and the native charset it
    // reports after the selection.
    ObjectEnv env = {};
    int nativeCharset = 0;
    DictionaryOutcome outcome;
    // The lock that keeps other runs off the home, and whether this run goes
    // on from an earlier one that did not end.
    HZLOCK homeLock = nullptr;
    bool resumed = false;
    // This run made the record in HOME/system/UPGRADE.RUN (it found none):
    // a stop takes it away again.
    bool recordMade = false;
    // The native character set's warning and menu were shown before the
    // first change; the dictionary phase does not show the warning again.
    bool nativeCharsetWarned = false;
    // The dictionary phase's journal, which the phase opens, hands to each
    // step that records ahead of its changes, and frees when it ends.
    std::unique_ptr<ZJournalObject, JournalFree> journal;
    // The dictionary phase's journal is there (from when it is whole until
    // just before it goes); the run record says so.
    bool journalKept = false;
    // The interrupted run's journal ends before a record a crash cut short,
    // which the put-back passes over.
    bool journalCut = false;
    // The profile merge failed: the installed PROFILE.INI has no backup of
    // this run, which the start-up section then keeps before changing it.
    bool profileMergeFailed = false;
    // PROFILE.INI was not written, and the backup it owed may not have been
    // kept: the renaming keeps it before it rewrites the launch lines.
    bool profileBackupOwed = false;
    // PROFILE.INI as the file steps change it, written once by the step
    // after the start-up section.
    ProfileDraft profileDraft;
    // The steps that failed while the run went on, by the names of their
    // rows, for the list that closes a run finished with errors.
    std::vector<FailedStep> failedSteps;
    // The step that stopped the run (its name null when none did).
    FailedStep stoppedBy = {nullptr, 0, {}};
    // Every change the run made, and what it left out on purpose.
    RunActions actions;
    RunSummary summary;
};
