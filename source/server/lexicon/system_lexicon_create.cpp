// Creates one system lexicon (dictionary record and kernel contents), or
// refills an existing one whose id the scan recorded.
#include <cstdio>
#include <cstring>
#include <string>

#include "charset_numbers.h"
#include "console.h"
#include "lexicon_paths.h"
#include "progress_reporters.h"
#include "shell_answers.h"
#include "system_databases.h"
#include "system_lexicons.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

// The description of the lexicon to create, null when there is nothing to
// create: a kind this step does not make, or a source file the package
// lacks. False when the system cannot tell whether the source file is there.
bool DescriptionFor(uint32_t kind, const char* file, const char* sourcePath, const char** description) {
    *description = nullptr;
    const int source = file != nullptr ? Z_FileExists(sourcePath) : 0;
    if (source < 0) return false;
    const bool haveSource = source > 0;
    switch (kind) {
        case DB_KIND_SEGMENT_LEXICON:
            if (file == nullptr) *description = "This is system all-ideograph dictionary";
            else if (haveSource) *description = "This is new system segment dictionary";
            break;
        case DB_KIND_STOP_LEXICON:
            if (haveSource) *description = "This is new system stop dictionary";
            break;
        case DB_KIND_ENTITY_LEXICON:
            if (haveSource) *description = "This is system entity dictionary";
            break;
        default: break;
    }
    return true;
}

// Selects the character set the kernel builds the lexicon in. -1: skip (no
// UTF8 lexicon while the server has no native character set), 0: failure.
int AssignLexiconCharset(uint16_t charsetCode) {
    if (charsetCode == CHARSET_CODE_UTF8) {
        int nativeCharset = 0;
        if (!QueryNativeCharset(&nativeCharset)) return 0;
        if (nativeCharset == 0) return -1;
    }
    return Z_AssignCharset(LexiconCharsetOf(charsetCode), 1) != 0 ? 1 : 0;
}

}  // namespace

bool CreateSystemLexicon(RunContext& run, const char* name, uint32_t kind, const char* file, uint32_t* id,
                         uint16_t charsetCode) {
    char directory[Z_MAX_PATH];
    char sourcePath[Z_MAX_PATH] = "";
    ObjectEnv* env = &run.env;
    if (!BuildDictDirectory(directory, run.choices.home)) return false;
    if (file != nullptr && !BuildPackageFilePath(sourcePath, run.choices.packageDir, file)) return false;

    const char* description = nullptr;
    if (!DescriptionFor(kind, file, sourcePath, &description)) return false;
    if (description == nullptr) {
        // A source the package may lack: the lexicon is not made, and the
        // administrator is told so.
        if (file != nullptr) {
            run.actions.Skip(std::string("lexicon ") + name, std::string("the package has no ") + file);
        }
        return true;
    }

    const int assigned = AssignLexiconCharset(charsetCode);
    if (assigned < 0) return true;
    if (assigned == 0) return false;

    ConsolePrint("Creating new system %s...\n", name);

    const bool creating = *id == 0;
    if (creating) {
        // The shell takes the definition's texts as writable.
        std::string nameText = name;
        std::string ownerText = "SYSTEM";
        std::string descriptionText = description;

        DatabaseRecord definition;
        std::memset(&definition, 0, sizeof definition);
        definition.kind = kind;
        definition.name = nameText.data();
        // System lexicons are found again by their owner "SYSTEM"; a lexicon
        // recorded without it would be created anew by every later upgrade.
        definition.owner = ownerText.data();
        definition.value48 = 1;
        definition.charsetCode = charsetCode;
        definition.value148 = 256;
        definition.value164 = 0xB0000000;
        definition.directory = directory;
        definition.description = descriptionText.data();
        if (!CreateSystemDB(env, &definition, nullptr, 0, id)) return false;
    } else if (kind == DB_KIND_SEGMENT_LEXICON && file != nullptr) {
        run.outcome.replacedSegmentId = *id;
    } else if (kind == DB_KIND_STOP_LEXICON) {
        run.outcome.replacedStopId = *id;
    }

    int64_t entries;
    if (kind == DB_KIND_ENTITY_LEXICON) {
        entries = ZKF_AppendLexicon(*id, sourcePath, 1, LexiconProgress);
    } else {
        entries = ZKF_CreateLexicon(*id, file != nullptr ? sourcePath : nullptr, file == nullptr ? 1 : 0, nullptr, 1);
    }
    env->objectKind = OBJECT_DATABASE;
    if (entries >= 0 && UpdateBaseRecordNum(env, *id, "", "", entries, -1) != 0) {
        run.actions.Note(creating ? ActionKind::DatabaseMade : ActionKind::DatabaseRefilled, ActionGroup::Databases,
                         name, "lexicon");
        return true;
    }
    // A lexicon made in this call but not filled would pass for a finished
    // one in every later run; it goes, and the next run makes it again.
    if (creating) {
        UndoSystemDBCreation(env, *id);
        *id = 0;
    }
    return false;
}
