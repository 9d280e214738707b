// A configuration file read or written as one text, for the steps that
// change a few lines of it and must keep every other byte.
#pragma once

#include <string>

#include "zelkit.h"

// Reads the whole file into text. A file larger than any configuration file
// (16 MiB) is refused rather than read in part. False with the last error
// set when the file is missing, too large or cannot be read.
bool ReadConfigText(const char* path, std::string* text);

// Writes text in full under installedPath ".NEW" and moves that over
// installedPath in one step, so that the installed name holds the old or
// the whole new text at every moment. False with installedPath unchanged
// when the new file cannot be written or put in place; the work file is
// deleted in every case.
bool ReplaceConfigText(const char* installedPath, const std::string& text);

// Closes a file opened to read only. Its close cannot lose anything, so a
// failure of it is passed over, and the last error stays the caller's.
void CloseReadFile(HZFILE file);

// text without the blanks, tabs and carriage returns at either end.
std::string TrimmedText(const std::string& text);
