// Profiles held in memory, read as the profile readers of zelkit.h read a
// file: the same lines, and the same headers and items in them.
//
// The steps that change a few lines of a profile and write the whole text
// back in one step (the start-up section, the backup comparison) read the
// text here, so that they find a section and its items exactly where the
// file readers would.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zel::toolkit {

enum class ProfileLineKind { Header, Item, Other };

// One line of a profile as the readers take it: a header (first non-blank
// character "[", the name up to the first "]", trimmed), an item (key "="
// value, split at the first "=", both trimmed, the key not empty), or
// neither (blank lines, comments starting with ";" or "#", anything else).
struct ProfileLine {
    ProfileLineKind kind = ProfileLineKind::Other;
    std::string name;   // a header's section name, an item's key
    std::string value;  // an item's value
};

// What one line, without its line end, is to the profile readers.
ProfileLine ParseProfileLine(const std::string& line);

// The lines of a text as the readers split a file: a line ends at a line
// feed, a carriage return just before that is no part of it, and a UTF-8
// byte order mark at the very start of the text is skipped. The text must
// outlive the reader.
class ProfileTextLines {
public:
    explicit ProfileTextLines(const std::string& text) : text_(text) {}
    explicit ProfileTextLines(std::string&&) = delete;

    // Moves to the next line; false after the last one.
    bool Next();
    const std::string& Line() const { return line_; }
    // Where the line after this one starts: the text's size after the last.
    size_t NextStart() const { return next_; }
    // Whether this line ends the text without a line feed.
    bool Unended() const { return unended_; }

private:
    const std::string& text_;
    std::string line_;
    size_t next_ = 0;
    bool unended_ = false;
};

// A section of a profile text: the first one of that name (compared without
// regard to case), as Z_SeekProfileSect finds it, with the items that
// Z_ReadProfileItem reads from it up to the next header.
struct ProfileTextSection {
    bool found = false;
    std::vector<ProfileLine> items;
    // Just after the section's last item, or its header when it has none:
    // where a line added to the end of the section goes.
    size_t end = 0;
    // The line before end ends the text without a line feed.
    bool endUnended = false;
};

ProfileTextSection FindProfileSection(const std::string& text, const std::string& name);

}  // namespace zel::toolkit
