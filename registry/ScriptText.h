// The text rules of the registry script (the REGEDIT4 part of Setup.ini): where it starts, how its
// lines are found and skipped, how hexadecimal digits read and how "%INSTALLPATH%" in a string value
// expands. Portable; used by the interpreter (RegistryScript.cpp) alone.
#pragma once

#include "AfxString.h"

#include <string>

namespace regscript {

// The line that starts the script.
extern const char kScriptMarker[];

// Line scanning. Lines end with CR LF; a position is the start of a line, and nullptr means that
// the text has ended (no CR LF followed the last line).
const char* NextLine(const char* p);
// Empty, indented and comment lines. A tab or ";" does not make a line skippable.
bool IsSkippable(const char* p);
// The first line from p on that is not skippable; nullptr when the text ends first (or p is null).
const char* SkipLines(const char* p);

// The first ch from p on the same line, or nullptr when the line (or the text) ends first. Key
// paths and value names end on their own line: one that ran on into later lines would put a line
// end into a key or value name and break the log's one-line-per-entry record. Only the CR LF pair
// ends a line; a CR or LF on its own is an ordinary character.
const char* FindOnLine(const char* p, char ch);

// White space as the C library's isspace sees it in the "C" locale: line breaks included.
bool IsWhite(char ch);

// The value of a hexadecimal digit, -1 for any other character.
int HexDigit(char ch);

// A string value as stored. Without "%INSTALLPATH%" it is taken exactly as written. Otherwise the
// first occurrence becomes the install path (inserted unchanged) and "%%" around it becomes "%",
// the result of formatting the value with the directive turned into "%s". Any other percent sign,
// a second "%INSTALLPATH%" included, is kept literally: the value never serves as a format string.
std::string ExpandInstallPath(const std::string& strValue, const CString& strInstallPath);

}  // namespace regscript
