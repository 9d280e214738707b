// What a profile line is, for the file readers (profile_reader.cpp) and for
// profiles held in memory alike.
#include "profile_text.h"

#include <utility>

#include "toolkit_internal.h"

namespace zel::toolkit {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string TrimmedProfileText(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

ProfileLine ParseProfileLine(const std::string& raw) {
    ProfileLine line;
    const std::string text = TrimmedProfileText(raw);
    if (text.empty() || text[0] == ';' || text[0] == '#') return line;
    // A header runs from "[" to the first "]"; what follows on the line (a
    // comment) is ignored, as Windows' own profile functions do.
    const size_t closing = text.find(']');
    if (text[0] == '[' && closing != std::string::npos) {
        line.kind = ProfileLineKind::Header;
        line.name = TrimmedProfileText(text.substr(1, closing - 1));
        return line;
    }
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return line;
    std::string key = TrimmedProfileText(text.substr(0, equals));
    if (key.empty()) return line;
    line.kind = ProfileLineKind::Item;
    line.name = std::move(key);
    line.value = TrimmedProfileText(text.substr(equals + 1));
    return line;
}

bool ProfileTextLines::Next() {
    if (next_ >= text_.size()) return false;
    const size_t start = next_;
    size_t end = text_.find('\n', start);
    unended_ = end == std::string::npos;
    if (unended_) end = text_.size();
    next_ = unended_ ? end : end + 1;
    line_ = text_.substr(start, end - start);
    TakeOffLineMarks(line_, start == 0);
    return true;
}

ProfileTextSection FindProfileSection(const std::string& text, const std::string& name) {
    ProfileTextSection section;
    const std::string wanted = TrimmedProfileText(name);
    ProfileTextLines lines(text);
    while (lines.Next()) {
        ProfileLine line = ParseProfileLine(lines.Line());
        if (line.kind == ProfileLineKind::Other) continue;
        if (line.kind == ProfileLineKind::Header) {
            if (section.found) break;
            if (!EqualIgnoringCase(line.name, wanted)) continue;
            section.found = true;
        } else if (!section.found) {
            continue;
        } else {
            section.items.push_back(std::move(line));
        }
        section.end = lines.NextStart();
        section.endUnended = lines.Unended();
    }
    return section;
}

}  // namespace zel::toolkit
