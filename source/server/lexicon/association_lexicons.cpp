// The four segmentation lexicon files of a character set, built by the
// kernel from the package's source files into HOME/dict/ZEL_<kind>.<suffix>.
#include "association_lexicons.h"

#include <cstdio>

#include "charset_numbers.h"
#include "console.h"
#include "dictionary_records.h"
#include "lexicon_paths.h"
#include "shell_answers.h"
#include "zelkit.h"
#include "zemkernel.h"
#include "zemshell.h"

namespace {

struct AssociationKind {
    int kind;
    const char* kindName;
    const char* sourceFile;
};
constexpr AssociationKind kKinds[] = {
    {LEXICON_AMBIGUOUS, "Ambiguous", "ambiguous.dic"},
    {LEXICON_WBIGRAM, "WBigram", "wbigram.dic"},
    {LEXICON_CBIGRAM, "CBigram", "cbigram.dic"},
    {LEXICON_SINGLE, "Single", "single.dic"},
};

const AssociationKind* FindKind(int kind) {
    for (const AssociationKind& entry : kKinds) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

}  // namespace

int AssociationLexiconTarget(const RunChoices& choices, int kind, std::string* target, std::string* name) {
    const AssociationKind* entry = FindKind(kind);
    if (entry == nullptr) return 0;

    // Built in the set of the lexicons chosen; none for the English names.
    const CharsetNumbers* set = CharsetOfCode(choices.lexiconCharsetCode);
    if (set == nullptr || !set->IsNative()) return 0;
    if (set->code == CHARSET_CODE_UTF8) {
        // No UTF8 lexicon while the server has no native character set.
        int serverCharset = 0;
        if (!QueryNativeCharset(&serverCharset)) return -1;
        if (serverCharset == 0) return 0;
    }

    char targetName[64];
    std::snprintf(targetName, sizeof targetName, "ZEL_%s.%s", entry->kindName, set->suffix);
    char targetPath[Z_MAX_PATH];
    char sourcePath[Z_MAX_PATH];
    if (!BuildDictFilePath(targetPath, choices.home, targetName) ||
        !BuildPackageFilePath(sourcePath, choices.packageDir, entry->sourceFile)) {
        return -1;
    }

    const int source = Z_FileExists(sourcePath);
    if (source <= 0) return source;
    // Without "DIC:" a lexicon file already built stays as it is.
    if (choices.dictionaryMode == DICTIONARY_MODE_ADD) {
        const int built = Z_FileExists(targetPath);
        if (built != 0) return built > 0 ? 0 : -1;
    }
    if (target != nullptr) *target = targetPath;
    if (name != nullptr) *name = targetName;
    return 1;
}

bool CreateAssociationLexicon(const RunChoices& choices, int kind, std::string* made) {
    std::string name;
    const int wanted = AssociationLexiconTarget(choices, kind, nullptr, &name);
    if (wanted <= 0) return wanted == 0;
    const AssociationKind* entry = FindKind(kind);
    const CharsetNumbers* set = CharsetOfCode(choices.lexiconCharsetCode);
    char sourcePath[Z_MAX_PATH];
    if (!BuildPackageFilePath(sourcePath, choices.packageDir, entry->sourceFile)) return false;

    ConsolePrint("Creating new system %s...\n", entry->sourceFile);
    if (ZKF_CreateAssLexicon(kind, set->native, sourcePath, 1) == 0) return false;
    if (made != nullptr) *made = name;
    return true;
}
