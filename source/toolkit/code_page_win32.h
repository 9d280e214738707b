// On Windows: narrow texts in the system code page (what the A calls take
// and what the toolkit hands out) and the wide texts the W calls take.
#pragma once

#include <windows.h>

#include <string>

namespace zel::toolkit {

// The wide text of a code page text; empty when text is empty or, with
// MB_ERR_INVALID_CHARS in flags, no valid text of the code page.
std::wstring WideFromCodePage(const std::string& text, DWORD flags);

// The code page's text of wide. With exact, a character that the code page
// lacks becomes '?' and makes the result false; without, Windows may write a
// look-alike instead ("L" for "Ł"), as it does for a program's arguments.
bool CodePageFromWide(const std::wstring& wide, std::string& text, bool exact);

// The system's text for an error code, with the code: "Access is denied (5)".
std::string SystemMessage(DWORD code);

}  // namespace zel::toolkit
