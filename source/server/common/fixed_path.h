// A path built from a directory and names in a buffer of Z_MAX_PATH, as
// every path the run hands to the toolkit. A name that would not fit makes
// the path invalid with the toolkit's last error set; the first failure
// sticks, so a chain of appends needs one test at its end.
#pragma once

#include "zelkit.h"

class FixedPath {
public:
    // The directory with a separator at its end.
    static FixedPath Directory(const char* directory);

    // This directory's subdirectory name, with a separator at its end.
    FixedPath Sub(const char* name) const;
    // This directory's file name (and extension, which may be empty).
    FixedPath File(const char* name, const char* extension = "") const;
    // The directory that holds this one, taken by the path's text (never
    // "..", which would show in every path built on it), with a separator
    // at its end.
    FixedPath Parent() const;

    bool ok() const { return ok_; }
    const char* c_str() const { return text_; }

private:
    FixedPath() = default;
    FixedPath Appended(const char* name, const char* extension, bool directory) const;

    char text_[Z_MAX_PATH] = {};
    bool ok_ = false;
};
