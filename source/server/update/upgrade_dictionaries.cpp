// Phase 2 of the upgrade: the nine dictionary files, then the system
// dictionaries through the dictionary shell. The first failure stops the run.
#include <cstdio>
#include <initializer_list>

#include "server/dictionary/data_formats.h"
#include "server/dictionary/shell_answers.h"
#include "server/dictionary/dict_file_headers.h"
#include "server/dictionary/relation_columns.h"
#include "server/dictionary/system_config.h"
#include "server/dictionary/system_databases.h"
#include "server/host/zelkit.h"
#include "server/host/zemshell.h"
#include "server/lexicon/association_lexicons.h"
#include "server/lexicon/dependent_indices.h"
#include "server/lexicon/native_charset.h"
#include "server/lexicon/system_lexicons.h"
#include "server/update/error_line.h"
#include "server/update/upgrade_run.h"
#include "server/update/upgrade_state.h"

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

bool OpenShell(const UpgradeRun& run) {
    if (ShellOpen(run.home, -1, -1, -1, -1) != 0) return true;
    PrintToolkitErrorLine();
    return false;
}

bool UpdateDictFiles(const UpgradeRun& run) {
    for (uint16_t index = 0; index < 9; ++index) {
        if (UpdateDictFile(index, run.home)) continue;
        Z_CaptureError(kDictFileErrorCode, kDictFileSteps[index].label, kDictFileErrorSource,
                       kDictFileSteps[index].line);
        PrintToolkitErrorLine();
        return false;
    }
    return true;
}

// The lexicon steps: the entity lexicon alone when no new dictionaries were
// asked for, otherwise the system lexicons, the segmentation lexicon files
// and the indices that depend on refilled lexicons.
bool UpgradeLexicons(UpgradeRun& run) {
    if (run.lexiconCharsetCode == CHARSET_CODE_NONE) return UpgradeEntityLexicon(&run.env, run.home) != 0;
    if (!UpgradeSystemLexicons(&run.env, run.home, run.lexiconCharsetCode)) return false;
    for (int kind : {LEXICON_AMBIGUOUS, LEXICON_WBIGRAM, LEXICON_CBIGRAM, LEXICON_SINGLE}) {
        if (!CreateAssociationLexicon(run.home, kind, run.lexiconCharsetCode)) return false;
    }
    return RemoveDependentIndices(&run.env) != 0;
}

bool UpgradeSystemDictionaries(UpgradeRun& run) {
    return UpdateRelationColumns(&run.env) && UpgradeLexicons(run) && RemoveSdiBook(&run.env) &&
           UpdateDataFormats(&run.env, run.nativeCharset) && UpdateSystemConfig(&run.env);
}

}  // namespace

bool UpgradeDictionaries(UpgradeRun& run) {
    std::printf("\nNow, Updating the data dictionaries...\n");
    std::fflush(stdout);

    // The shell is opened once before the files are edited directly, so that a
    // home it cannot open stops the run before any file changes.
    if (!OpenShell(run)) return false;
    ShellClose();

    if (!UpdateDictFiles(run)) return false;

    if (!OpenShell(run)) return false;
    bool failed = false;
    if (GetObjectEnv(3, &run.env) == nullptr) {
        PrintToolkitErrorLine();
        failed = true;
    } else {
        SelectNativeCharset(&run.env);
        if (NativeCharsetSelectionFailed()) {
            failed = true;  // its error line is printed
        } else if (!QueryNativeCharset(&run.nativeCharset)) {
            PrintToolkitErrorLine();
            failed = true;
        }
    }

    std::printf("\nNow, Updating the system dictionaries...\n");
    std::fflush(stdout);
    if (!failed && !UpgradeSystemDictionaries(run)) {
        PrintToolkitErrorLine();
        failed = true;
        // The system dictionaries made before the failure stay, and a rerun
        // passes over what it finds: only the run that makes one enters it
        // in the configuration's charset entries, so this run does so now.
        // A failure here changes nothing the rerun cannot do again.
        if (g_newSystemDatabase) UpdateSystemConfig(&run.env);
    }
    ShellClose();
    std::fflush(stdout);
    return !failed;
}
