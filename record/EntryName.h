// Which payload entry names may be installed. Shared by the installation worker, which refuses a
// bad name as a corrupted disk image, and by the author's tool, which refuses to pack one and
// applies the same rule when it extracts.
//
// A name is the bytes of one entry up to its zero byte, in the installer's code page. A directory
// entry starts with one backslash; the rest of a name is a path relative to the target directory,
// its components separated by single backslashes. A name is refused when it could leave the target
// directory or name something other than a plain file or directory there:
//   - no zero byte within the 256-byte name buffer;
//   - an empty path or an empty component (a doubled, leading or trailing backslash);
//   - a forward slash or a colon anywhere (other separators, drives, streams);
//   - a component that ends in a dot or a blank (this covers "." and "..");
//   - a device name as a component, alone or with an extension (CON, PRN, AUX, NUL, COM1 to COM9,
//     LPT1 to LPT9, CONIN$, CONOUT$; "nul.txt" and "Com1.log" alike);
//   - a control character (below 32) or one of < > " | ? *, which no Windows file name may hold.
#pragma once

#include <cstddef>
#include <string>

enum : size_t { kEntryNameBufferSize = 256 };

// Checks the name in buffer[0..nSize). Returns null when the name is acceptable, otherwise a short
// English reason ("component \"..\"", "no end within 256 bytes", ...). Never reads past nSize.
const char* CheckEntryName(const char* buffer, size_t nSize = kEntryNameBufferSize);

// The same rule for a path held as text (a line of a log, a shortcut's path, a name the author's
// tool is about to pack): kEntryPathTooLong when it would not fit the name buffer with its zero
// byte, a reason of its own for a zero byte inside it, otherwise CheckEntryName's answer.
extern const char kEntryPathTooLong[];
// The reason given for a name of a UTF-8 medium that is not well-formed UTF-8.
extern const char kEntryNameNotUtf8[];
const char* CheckEntryPath(const std::string& strPath);

// What a message may quote of a name (or of any text holding one): every byte that a terminal or a
// message box would act on instead of showing becomes \xNN (two lower-case hexadecimal digits).
// Code-page text (bUtf8 false): bytes below 32, 127, and the five bytes that Windows-1252 leaves
// undefined. UTF-8 text (bUtf8 true): bytes below 32, 127, the C1 controls U+0080 to U+009F, and
// every byte that is not part of a valid UTF-8 sequence. Everything else is kept as it is.
std::string EscapeControls(const std::string& text, bool bUtf8);
