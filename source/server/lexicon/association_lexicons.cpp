// The four segmentation lexicon files of a character set, built by the
// kernel from the package's source files into HOME/dict/ZEL_<kind>.<suffix>.
#include "server/lexicon/association_lexicons.h"

#include <cstdio>

#include "server/dictionary/shell_answers.h"
#include "server/host/dictionary_records.h"
#include "server/host/zelkit.h"
#include "server/host/zemkernel.h"
#include "server/host/zemshell.h"
#include "server/lexicon/lexicon_paths.h"
#include "server/update/upgrade_state.h"

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

int CreateAssociationLexicon(const char* home, int kind, uint16_t charsetCode) {
    const AssociationKind* entry = FindKind(kind);
    if (entry == nullptr) return 1;

    const char* suffix = nullptr;
    int nativeCharset = 0;
    switch (charsetCode) {
        case CHARSET_CODE_GB18030:
            suffix = ".GB";
            nativeCharset = Z_CHARSET_GB18030;
            break;
        case CHARSET_CODE_BIG5:
            suffix = ".BIG5";
            nativeCharset = Z_CHARSET_BIG5;
            break;
        case CHARSET_CODE_UTF8: {
            // No UTF8 lexicon while the server has no native character set.
            int serverCharset = 0;
            if (!QueryNativeCharset(&serverCharset)) return 0;
            if (serverCharset == 0) return 1;
            suffix = ".UTF8";
            nativeCharset = Z_CHARSET_UTF8;
            break;
        }
        default:
            return 1;
    }

    char targetName[64];
    std::snprintf(targetName, sizeof targetName, "ZEL_%s%s", entry->kindName, suffix);
    char targetPath[Z_MAX_PATH];
    char sourcePath[Z_MAX_PATH];
    if (!BuildDictFilePath(targetPath, home, targetName) || !BuildPackageFilePath(sourcePath, entry->sourceFile)) {
        return 0;
    }

    if (!Z_IsValidFileName(sourcePath)) return 1;
    // Without "DIC:" a lexicon file already built stays as it is.
    if (g_dictionaryMode == 0 && Z_IsValidFileName(targetPath)) return 1;

    std::printf("Creating new system %s...\n", entry->sourceFile);
    std::fflush(stdout);
    return ZKF_CreateAssLexicon(kind, nativeCharset, sourcePath, 1) != 0 ? 1 : 0;
}
