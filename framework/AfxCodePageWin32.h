// Text between UTF-16 and the process's code page (Win32). The programs' manifests ask for UTF-8
// as that code page, so the A functions carry the programs' UTF-8 text; a Windows that does not
// honour the request (before Windows 10 1903) keeps its ANSI code page, and there a character the
// code page cannot hold is refused, never replaced by a look-alike (best fit: "Łódź" as "Lodz").
#pragma once

#include <string>

// Whether the process's code page is UTF-8.
bool AfxCodePageIsUtf8();

// Converts nLength UTF-16 units at psz (-1: up to its terminator, not included) to the process's
// code page. Returns false when the text holds a character the code page has no byte for, or an
// unpaired surrogate; out is then unspecified.
bool AfxWideToAnsi(const wchar_t* psz, int nLength, std::string& out);

// Converts text of the process's code page to UTF-16; false for bytes that are no text of it.
bool AfxAnsiToWide(const std::string& text, std::wstring& out);

// The same between UTF-16 and UTF-8, whatever the process's code page (the language tables, the
// tool's names): false for bytes that are no UTF-8, or an unpaired surrogate.
bool AfxUtf8ToWide(const std::string& text, std::wstring& out);
bool AfxWideToUtf8(const wchar_t* psz, int nLength, std::string& out);

// The whole command line (GetCommandLineW) in the process's code page, read once. False when it
// holds a character that the code page cannot hold: the line is then the code page's best
// rendering with a question mark for each such character, good for finding switches only.
bool AfxGetCommandLineText(const char** ppszLine);
