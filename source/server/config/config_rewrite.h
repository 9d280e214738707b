// A configuration file rewritten from a source file through a work file:
// the new text is written in full under the work name and put in place only
// when every read and write of it succeeded, so that the installed file never
// holds a part of it.
#pragma once

#include <functional>
#include <string>

#include "zelkit.h"

// Writes the work file from the open source file. False stops the rewrite;
// a failed read or write is seen through the files' error state as well.
using WriteWorkFile = std::function<bool(HZFILE source, HZFILE work)>;

// Puts the finished work file in place (and keeps whatever backup the step
// keeps); false when it could not.
using PutWorkFileInPlace = std::function<bool()>;

// Opens sourcePath to read and creates workPath, lets write fill the work
// file, and calls putInPlace only when the work file is whole: write returned
// true, neither file reports an error and the work file closed cleanly. The
// work file is deleted afterwards in every case (after a move there is none
// left). False when sourcePath cannot be opened or workPath created, when the
// work file is not whole, or when putInPlace fails.
bool RewriteConfigFile(const char* sourcePath, const char* workPath, const WriteWorkFile& write,
                       const PutWorkFileInPlace& putInPlace);

// The line of the work file for one line of the source; false stops the
// rewrite.
using RewriteLine = std::function<bool(const char* line, std::string* written)>;

// A WriteWorkFile body that writes one line for every line of the source, up
// to its end. A line too long for the line buffer ends the reading with an
// error, so that a damaged file is kept rather than replaced by a shortened
// copy.
bool WriteRewrittenLines(HZFILE source, HZFILE work, const RewriteLine& rewrite);
