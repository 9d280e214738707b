#include "lexicon_paths.h"
#include "system_lexicons.h"
#include "zelkit.h"

namespace {

// The two paths, and whether the rename is due: a file under the new name is
// never overwritten, it is the newer one. A name the system cannot tell
// about fails: taken for missing, the lexicon would keep its old name.
bool RenamePaths(const char* home, const char* oldName, const char* newName, char* oldPath, char* newPath,
                 bool* due) {
    if (!BuildDictFilePath(oldPath, home, oldName) || !BuildDictFilePath(newPath, home, newName)) return false;
    const int oldThere = Z_FileExists(oldPath);
    const int newThere = oldThere > 0 ? Z_FileExists(newPath) : 0;
    if (oldThere < 0 || newThere < 0) return false;
    *due = oldThere > 0 && newThere == 0;
    return true;
}

}  // namespace

bool JournalLexiconFileRename(HZJOURNAL journal, const char* home, const char* oldName, const char* newName) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    bool due = false;
    if (!RenamePaths(home, oldName, newName, oldPath, newPath, &due)) return false;
    // Both names, so that one flush of the journal comes before all the
    // renames: the file under its old name, and no file under the new one.
    return !due || (Z_JournalWhole(journal, oldPath) != 0 && Z_JournalWhole(journal, newPath) != 0);
}

bool RenameLexiconFile(const char* home, const char* oldName, const char* newName, bool* renamed) {
    char oldPath[Z_MAX_PATH];
    char newPath[Z_MAX_PATH];
    bool due = false;
    *renamed = false;
    if (!RenamePaths(home, oldName, newName, oldPath, newPath, &due)) return false;
    if (!due) return true;
    *renamed = Z_RenameFile(oldPath, newPath) != 0;
    return *renamed;
}
