#include "server/host/zelkit.h"
#include "server/lexicon/lexicon_paths.h"
#include "server/lexicon/system_lexicons.h"

int RenameLexiconFile(const char* home, const char* oldName, const char* newName) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    if (!BuildDictFilePath(oldPath, home, oldName) || !BuildDictFilePath(newPath, home, newName)) return 0;
    // A file under the new name is never overwritten: it is the newer one.
    if (!Z_IsValidFileName(oldPath) || Z_IsValidFileName(newPath)) return 1;
    return Z_RenameFile(oldPath, newPath) != 0 ? 1 : 0;
}
