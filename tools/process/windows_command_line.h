// Starting a program on Windows: its command line is one text that the
// program splits again by the C runtime's rules, so each word is quoted to
// survive that split. Shared by zelhome preview and the tests' program runs.
#pragma once

#include <string>

namespace zel::process {

// The word as the C runtime reads it back: unchanged when it has no blank,
// tab or double quote; otherwise in double quotes, with the backslashes
// before a quote (or before the closing quote) doubled.
inline std::string QuoteCommandWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
        else quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

}  // namespace zel::process
