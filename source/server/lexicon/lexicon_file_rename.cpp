#include "lexicon_paths.h"
#include "system_lexicons.h"
#include "zelkit.h"

bool RenameLexiconFile(const char* home, const char* oldName, const char* newName) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    if (!BuildDictFilePath(oldPath, home, oldName) || !BuildDictFilePath(newPath, home, newName)) return false;
    // A file under the new name is never overwritten: it is the newer one.
    if (!Z_IsValidFileName(oldPath) || Z_IsValidFileName(newPath)) return true;
    return Z_RenameFile(oldPath, newPath) != 0;
}
