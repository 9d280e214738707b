#include "lexicon_paths.h"
#include "system_lexicons.h"
#include "zelkit.h"

namespace {

// The two paths, and whether the rename is due: a file under the new name is
// never overwritten, it is the newer one.
bool RenamePaths(const char* home, const char* oldName, const char* newName, char* oldPath, char* newPath,
                 bool* due) {
    if (!BuildDictFilePath(oldPath, home, oldName) || !BuildDictFilePath(newPath, home, newName)) return false;
    *due = Z_IsValidFileName(oldPath) && !Z_IsValidFileName(newPath);
    return true;
}

}  // namespace

bool JournalLexiconFileRename(const char* home, const char* oldName, const char* newName) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    bool due = false;
    if (!RenamePaths(home, oldName, newName, oldPath, newPath, &due)) return false;
    return !due || Z_JournalWhole(oldPath) != 0;
}

bool RenameLexiconFile(const char* home, const char* oldName, const char* newName) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    bool due = false;
    if (!RenamePaths(home, oldName, newName, oldPath, newPath, &due)) return false;
    return !due || Z_RenameFile(oldPath, newPath) != 0;
}
