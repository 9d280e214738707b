// Copies from the package directory into the home. Directories end with a
// path separator. Nothing here prints an error: a failure returns false
// with the toolkit's last error set, for the driver to report.
#pragma once

// The one-line progress display; also the per-file callback of the plo
// directory copy. Always 1.
int ShowCopyProgress(const char* path);
// Mode 1: copy, replacing the target, with a progress line, unless the
// target holds the source's bytes already: a file a copy would not change is
// not written (a rerun over an upgraded home touches nothing). Mode 0: copy
// only when the target is missing, without a line. *copied (may be null)
// says whether the target was written.
bool CopySystemFile(const char* targetDir, const char* sourceDir, const char* name, const char* extension, int mode,
                    bool* copied = nullptr);
// Copies source over target unless target holds its bytes already, with a
// progress line when it copies and progress is set.
bool CopyFileUnlessSame(const char* source, const char* target, bool progress, bool* copied);
// Whether the package holds the optional plo module, its library and its
// data directory both: 1 it does, 0 it does not, -1 the system could not
// tell (the toolkit's last error says why).
int PackageHasPloModule(const char* sourceDir);
// The optional plo module: its library into the bin directory, and its data
// directory into HOME/dict/plo. Each does nothing (true) when the package
// lacks either part.
bool CopyPloLibrary(const char* targetDir, const char* sourceDir, bool* copied = nullptr);
bool CopyPloFiles(const char* targetDir, const char* sourceDir);
// Gives an old .CFG file its .INI name, or copies the package's .INI when
// there is neither.
bool MigrateCfgFile(const char* configDir, const char* sourceDir, const char* oldName, const char* newName);
