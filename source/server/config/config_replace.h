// Puts a rewritten configuration file in place of the installed one.
#pragma once

#include <string>

// Moves newPath over installedPath in one atomic step, so that the installed
// name holds either the old or the new content at every moment. With a
// backup path, the installed file is first kept there (by
// KeepInstalledBackup). False with installedPath unchanged when either step fails;
// newPath is then left for the caller to delete.
bool ReplaceConfigFile(const char* installedPath, const char* newPath, const char* backupPath);

// The replacement of a merged file: installedPath ".NEW" over installedPath,
// the old content kept as installedPath ".BAK". A merged file equal byte for
// byte to the installed one is not put in place, and the backup of an
// earlier run stays.
bool ReplaceConfigFileKeepingBackup(const char* installedPath);

// Deletes whatever has a work file's name (a link there as a name). The
// installed file does not depend on it, but a work file left behind makes
// the home differ from what a clean run leaves: false when it could not be
// deleted, or the system cannot tell whether it is there.
bool DiscardWorkFile(const char* path);

// Ends a step that wrote the work file newPath: deletes it when it is still
// there. True when the step had not failed and the work file is gone; the
// last error is then the first failure's.
bool EndWithWorkFile(bool failed, const char* newPath);

// Keeps the installed file as it is under backupPath, for it to be replaced
// next: the file itself under a second name where the file system gives
// one, else a copy (Z_KeepBackup). An earlier backup there that differs
// from the installed file is kept under the next free numbered name
// ("PROFILE.INI.1.BAK", "PROFILE.INI.2.BAK" ...) rather than overwritten.
bool KeepInstalledBackup(const char* installedPath, const char* backupPath);
// The same for a configuration that no file holds yet: installed is its
// text.
bool KeepBackupText(const std::string& installed, const char* backupPath);
