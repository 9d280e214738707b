// What a file step did with a file of the home, for the run's summary:
// each step's work is in its library, which cannot reach the run context,
// so the driver looks at the file before and after the step. Looking is no
// fault point and changes nothing.
#pragma once

#include "fixed_path.h"
#include "run_context.h"
#include "zelkit.h"

// What a file was: whether it was there, and which file it was.
struct FileBefore {
    bool exists = false;
    ZFileInfo info{};
};

FileBefore LookAt(const FixedPath& path);
// Both were there, and are one file (a file renamed stays the same file).
bool IsSameFile(const FileBefore& a, const FileBefore& b);

// A configuration file and its backup as they were before a step. A file
// replaced whole is a new file, and so is a backup written anew: a name
// that holds another file afterwards was written by the step.
struct ReplacedFile {
    ReplacedFile(const FixedPath& directory, const char* name, const char* backupName);

    // What the step did, for the summary: the backup it wrote, and change
    // when it replaced the file.
    void Note(RunContext& run, const char* change) const;
    // The backup alone.
    void NoteBackup(RunContext& run) const;

    FixedPath installed;
    FixedPath backup;
    FileBefore installedBefore;
    FileBefore backupBefore;
};
