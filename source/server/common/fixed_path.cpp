#include "fixed_path.h"

#include <cstring>

FixedPath FixedPath::Directory(const char* directory) {
    FixedPath path;
    const size_t length = std::strlen(directory);
    if (length >= sizeof path.text_) {
        Z_SetLastErrorText(Z_ERROR_TOO_LONG, "The path is too long: %s", directory);
        return path;
    }
    std::memcpy(path.text_, directory, length + 1);
    path.ok_ = Z_AppendSubdirSymbol(path.text_, 0) != 0;
    return path;
}

FixedPath FixedPath::Sub(const char* name) const { return Appended(name, "", true); }

FixedPath FixedPath::File(const char* name, const char* extension) const { return Appended(name, extension, false); }

FixedPath FixedPath::Parent() const {
    FixedPath path = *this;
    // Separators are found as the code page writes them (a backslash may be
    // the second byte of a character in code page 936).
    Z_DeappendSubdirSymbol(path.text_);
    path.text_[Z_GetFileNamePathLength(path.text_)] = '\0';
    return path;
}

FixedPath FixedPath::Appended(const char* name, const char* extension, bool directory) const {
    FixedPath path = *this;
    path.ok_ = ok_ && Z_AppendPath(path.text_, name) && Z_AppendPath(path.text_, extension) &&
               (!directory || Z_AppendSubdirSymbol(path.text_, 0));
    return path;
}
