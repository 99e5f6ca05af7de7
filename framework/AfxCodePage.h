// Text between UTF-8 and Windows-1252, the code page a medium's names and texts are written in
// unless it declares UTF-8. Portable: the author's tool and the Windows programs convert alike.
#pragma once

#include <cstdint>
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

// Appends the UTF-8 form of cp: a code point up to U+10FFFF, or a lone UTF-16 unit (a surrogate
// written as any unit of the BMP is, in three bytes).
void AfxAppendUtf8(std::string& out, uint32_t cp);

// Decodes the well-formed UTF-8 sequence at text[i] into cp and moves i past it. False, with i
// unchanged, at the end of text or where IsUtf8 would stop.
bool AfxNextCodePoint(const std::string& text, size_t& i, uint32_t& cp);

// The length in bytes of the longest well-formed UTF-8 start of text (text.size() when IsUtf8).
size_t Utf8Prefix(const std::string& text);

// The UTF-8 byte-order mark that starts a record written in UTF-8 (Install.log).
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8MarkSize = 3;

// Whether data (nSize bytes) starts with kUtf8Mark.
bool StartsWithUtf8Mark(const char* pData, size_t nSize);
