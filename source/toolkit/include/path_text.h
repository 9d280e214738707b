// Narrow path texts and std::filesystem paths.
//
// Every narrow text the toolkit takes or hands out is in the encoding of the
// system's narrow calls (fopen, rename, the Windows A calls): off Windows the
// bytes of the name, on Windows the system code page. std::filesystem does
// not follow that rule on Windows: it reads a narrow text byte by byte as
// Latin-1 and writes one as UTF-8, so a path crossed between the two any
// other way names another file as soon as it holds a non-ASCII character.
// Each platform file (system_posix.cpp, system_win32.cpp) supplies these;
// the tools that share the toolkit's paths (zelhome) use them too.
#pragma once

#include <filesystem>
#include <string>

namespace zel::toolkit {

// The path that a narrow text names.
std::filesystem::path PathFromText(const std::string& text);

// The narrow text of a path. False when the system code page cannot write
// a character of it; text then holds '?' for each such character, good for
// a message only.
bool TextFromPath(const std::filesystem::path& path, std::string& text);

// The text of a path for a message: '?' for what the code page cannot write.
std::string DisplayText(const std::filesystem::path& path);

// Whether c is the first byte of a two-byte character (code pages 936 and
// 950), whose second byte may equal a separator or any other ASCII byte.
bool IsLeadByte(char c);

// Whether text ends with a path separator, found character by character:
// the last byte of a two-byte character may be a backslash.
bool EndsWithPathSeparator(const std::string& text);

// The system code page, 0 off Windows; for messages.
unsigned SystemCodePage();

// Empty when text can name a file on this system; otherwise why it cannot.
// On Windows a character that the system code page cannot write reaches a
// program's arguments as '?' or as a look-alike ("Ł" as "L"), so the text
// names another path than the one that was given.
std::string PathTextProblem(const std::string& text);

}  // namespace zel::toolkit
