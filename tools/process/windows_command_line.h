// Starting a program on Windows: its command line is one text that the
// program splits again by the C runtime's rules, so each word is quoted to
// survive that split. Shared by zelhome preview and the tests' program runs.
#pragma once

#include <string>

namespace zel::process {

namespace detail {

template <class String>
String QuoteCommandWord(const String& word) {
    using Char = typename String::value_type;
    const Char special[] = {Char(' '), Char('\t'), Char('"'), Char(0)};
    if (!word.empty() && word.find_first_of(special) == String::npos) return word;
    String quoted(1, Char('"'));
    size_t backslashes = 0;
    for (Char c : word) {
        if (c == Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == Char('"'))
            quoted.append(backslashes * 2 + 1, Char('\\'));
        else
            quoted.append(backslashes, Char('\\'));
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, Char('\\'));
    quoted += Char('"');
    return quoted;
}

}  // namespace detail

// The word as the C runtime reads it back: unchanged when it has no blank,
// tab or double quote; otherwise in double quotes, with the backslashes
// before a quote (or before the closing quote) doubled.
inline std::string QuoteCommandWord(const std::string& word) { return detail::QuoteCommandWord(word); }

// The same in wide characters. A text of a double-byte code page is
// quoted after its conversion, since a character's second byte may be a
// backslash that must not be doubled.
inline std::wstring QuoteCommandWord(const std::wstring& word) { return detail::QuoteCommandWord(word); }

}  // namespace zel::process
