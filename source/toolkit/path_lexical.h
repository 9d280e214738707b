// Paths taken apart by their text alone, never by asking the file system:
// "." and ".." are resolved here, so that no file operation ever walks
// through ".." (which follows a link's target, not the name's folder).
#pragma once

#include <string>
#include <vector>

namespace zel::toolkit {

// A path as a start ("/", "C:\", "\\server\share\") and the names after it.
struct LexicalPath {
    std::string start;
    std::vector<std::string> names;

    // The text: start and names joined by the platform's separator.
    std::string Text() const;
    // The text of the first count names.
    std::string Prefix(size_t count) const;
};

// The absolute form of path, against the current directory when it is
// relative, with "." and empty names dropped and ".." taking away the name
// before it (never beyond the start). False when the current directory
// cannot be had.
bool MakeLexical(const std::string& path, LexicalPath& lexical);

// Whether path names its place without the current directory: "/..." off
// Windows; "C:\...", "\\server\share\..." on Windows.
bool IsAbsolutePath(const std::string& path);

// Whether name could be one name of a path: not empty, not "." or "..", no
// separator (and on Windows no ':').
bool IsPlainName(const std::string& name);

// A path's folder and last name, split at its last separator found
// character by character (in code pages 936 and 950 the second byte of a
// character may be a backslash, which ends no name). The folder keeps the
// separator of a start ("/", "C:\"); it is "" for a bare name.
struct Split {
    std::string folder;
    std::string name;
};
Split SplitLast(const std::string& path);

// Where the last name of path begins: after its last separator or, on
// Windows, after the colon of a drive ("C:x").
size_t NameStart(const std::string& path);

// folder and name joined by one separator ("" folder: the name alone).
std::string JoinName(const std::string& folder, const std::string& name);

// Two names the file system takes for the same: exactly off Windows, without
// regard to ASCII case on Windows.
bool SameName(const std::string& a, const std::string& b);

// Whether the relative path lies beneath the relative folder (names joined
// by "/"), names compared as SameName does.
bool LiesBeneath(const std::string& relative, const std::string& folder);

}  // namespace zel::toolkit
