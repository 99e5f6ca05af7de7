// Text between UTF-8 and Windows-1252, the code page a medium's names and texts are written in
// unless it declares UTF-8. Portable: the author's tool and the Windows programs convert alike.
#pragma once

#include <string>

// Converts UTF-8 text to Windows-1252. Returns false (and leaves out unspecified) when the text is
// not valid UTF-8 or holds a character that the code page has no byte for.
bool Utf8ToCp1252(const std::string& utf8, std::string& out);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 controls U+0081, U+008D, U+008F, U+0090 and U+009D, which
// Utf8ToCp1252 turns back into the same bytes: distinct names stay distinct.
std::string Cp1252ToUtf8(const std::string& cp1252);

// True when text is well-formed UTF-8: no stray or missing continuation byte, no overlong form,
// no surrogate, nothing above U+10FFFF.
bool IsUtf8(const std::string& text);
