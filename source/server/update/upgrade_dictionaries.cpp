// Phase 2 of the upgrade: the nine dictionary files, then the system
// dictionaries through the dictionary shell. The first failure stops the run.
#include <cstdio>
#include <initializer_list>

#include "association_lexicons.h"
#include "data_formats.h"
#include "dependent_indices.h"
#include "dict_file_headers.h"
#include "native_charset.h"
#include "relation_columns.h"
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

bool UpdateDictFiles(RunContext& run, const char*) {
    for (uint16_t index = 0; index < 9; ++index) {
        if (UpdateDictFile(index, run.choices.home)) continue;
        Z_CaptureError(kDictFileErrorCode, kDictFileSteps[index].label, kDictFileErrorSource,
                       kDictFileSteps[index].line);
        return false;
    }
    return true;
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
    if (!UpgradeSystemLexicons(run)) return false;
    for (int kind : {LEXICON_AMBIGUOUS, LEXICON_WBIGRAM, LEXICON_CBIGRAM, LEXICON_SINGLE}) {
        if (!CreateAssociationLexicon(run.choices, kind)) return false;
    }
    return RemoveDependentIndices(run);
}

bool RemoveSdiBookStep(RunContext& run, const char*) { return RemoveSdiBook(&run.env); }

bool UpdateDataFormatsStep(RunContext& run, const char*) { return UpdateDataFormats(&run.env, run.nativeCharset); }

bool UpdateSystemConfigStep(RunContext& run, const char*) { return UpdateSystemConfig(run); }

constexpr OnFailure kStop = OnFailure::StopRun;
constexpr ErrorLine kToolkit = ErrorLine::Toolkit;

// Up to the shell opened for the system dictionaries.
constexpr UpgradeStep kDictionaryFileSteps[] = {
    {"check that the dictionary shell opens the home", CheckShellOpens, nullptr, kStop, kToolkit},
    {"bring the nine dictionary files to the current title", UpdateDictFiles, nullptr, kStop, kToolkit},
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

}  // namespace

bool UpgradeDictionaries(RunContext& run) {
    std::printf("\nNow, Updating the data dictionaries...\n");
    std::fflush(stdout);
    if (RunSteps(run, kDictionaryFileSteps) == StepsResult::Stopped) return false;

    bool failed = RunSteps(run, kCharsetSteps) == StepsResult::Stopped;

    std::printf("\nNow, Updating the system dictionaries...\n");
    std::fflush(stdout);
    if (!failed && RunSteps(run, kSystemDictionarySteps) == StepsResult::Stopped) {
        failed = true;
        // The system dictionaries made before the failure stay, and a rerun
        // passes over what it finds: only the run that makes one enters it
        // in the configuration's charset entries, so this run does so now.
        // A failure here changes nothing the rerun cannot do again.
        if (run.outcome.newSystemDatabase) UpdateSystemConfig(run);
    }
    ShellClose();
    std::fflush(stdout);
    return !failed;
}
