#include "replaced_file.h"

FileBefore LookAt(const FixedPath& path) {
    FileBefore before;
    before.exists = path.ok() && Z_GetFileInfo(path.c_str(), 0, &before.info) && before.info.kind == Z_FILE_REGULAR;
    return before;
}

bool IsSameFile(const FileBefore& a, const FileBefore& b) {
    return a.exists && b.exists && a.info.volume == b.info.volume && a.info.index == b.info.index;
}

ReplacedFile::ReplacedFile(const FixedPath& directory, const char* name, const char* backupName)
    : installed(directory.File(name)),
      backup(directory.File(backupName)),
      installedBefore(LookAt(installed)),
      backupBefore(LookAt(backup)) {}

void ReplacedFile::NoteBackup(RunContext& run) const {
    const FileBefore backupAfter = LookAt(backup);
    if (backupAfter.exists && !IsSameFile(backupBefore, backupAfter)) {
        run.actions.Note(ActionKind::FileWritten, ActionGroup::Backups, HomeTarget(run.choices.home, backup.c_str()));
    }
}

void ReplacedFile::Note(RunContext& run, const char* change) const {
    NoteBackup(run);
    const FileBefore installedAfter = LookAt(installed);
    if (installedAfter.exists && !IsSameFile(installedBefore, installedAfter)) {
        run.actions.Note(ActionKind::FileWritten, ActionGroup::Configuration,
                         HomeTarget(run.choices.home, installed.c_str()), change);
    }
}
