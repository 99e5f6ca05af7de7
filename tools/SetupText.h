// A plain Setup.ini text as an author writes it, made ready to be stored: its line ends and its code
// page. Used by `medium` and `ini encode`, so that a medium's Setup.ini and its image agree.
//
// Rules, in this order:
//   - A UTF-8 byte-order mark at the start is left out (the first line must begin with INSTALL4).
//   - Line ends: a line ended by LF alone gets CR LF (the installer reads CR LF lines only); lines
//     already ended by CR LF stay as they are.
//   - A CodePage= extension line (1252 or 65001) fixes the code page, as --code-page does; the two
//     must not differ. With CodePage=65001 the text must be well-formed UTF-8.
//   - Otherwise UTF-8 is chosen when the text is UTF-8 holding a character that Windows-1252
//     lacks, or when the image's names need UTF-8; Windows-1252 in every other case, with a UTF-8
//     text converted to it (a text of Windows-1252 bytes stays as it is).
//   - A text whose code page is UTF-8 holds UTF-8 (a Windows-1252 text is converted) and gets the
//     line CodePage=65001 right after the four key lines, unless it has it already.
#pragma once

#include "CodePage.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace zrvtool {

// text with every LF that no CR precedes turned into CR LF. Returns whether any was.
bool ConvertLineEnds(const std::string& text, std::string& out);

// Calls onLine(text, nLine) for each extension line of text (CR LF lines), as the installer walks
// them: from the line after the fourth key line up to a section header, the script's REGEDIT4
// line or a last line without CR LF. Nothing when the installer would not read the settings.
void ForEachExtensionLine(const std::string& text, const std::function<void(const std::string&, int)>& onLine);

// The CodePage= line among the extension lines of text (CR LF lines): nLine 0 when there is none.
// Throws ToolError naming strName and the line for a value other than 1252 or 65001.
struct CodePageLine {
    int nLine = 0;
    CodePage cp = CodePage::cp1252;
    int nBadLine = 0;  // the last CodePage line of another value, 0 when none
};
CodePageLine FindCodePageLine(const std::string& strName, const std::string& text);
// The same without throwing: a line of another value is in nBadLine.
CodePageLine ReadCodePageLine(const std::string& text);
// What a CodePage line must be, for messages.
extern const char kCodePageLineRule[];

// The 1-based number of the first line of text that is not well-formed UTF-8; 0 when all are.
int FirstMalformedUtf8Line(const std::string& text);

// text with the line CodePage=65001 inserted after its fourth key line. Returns the inserted line's
// number, or 0, leaving text alone, when the installer would not read its settings.
int AddCodePageLine(std::string& text);

// The lines of a plain Setup.ini text as they are stored: without a byte-order mark at the start,
// every line ended by CR LF. Each change made is told as one note line on notes.
std::string StoredLines(const std::string& strName, const std::string& plain, std::ostream& notes);

// The plain text of the Setup.ini strName ready to be stored, in the code page it is returned in
// cp, by the rules above; bNamesNeedUtf8 says whether the image's names need UTF-8, and strWhy
// names one of them for the note. Each change made is told as one note line on notes. Throws
// ToolError naming strName (and the line) when the rules cannot be met: a character that
// Windows-1252 lacks with 1252 fixed, malformed UTF-8 with 65001 declared, --code-page and the
// CodePage line differing, names that need UTF-8 with 1252 fixed.
// *pAddedLine (when given) is the number of the CodePage line added, 0 when none was: the check's
// messages name the author's own lines (CheckSetupIni's nAddedLine).
std::string PrepareSetupText(const std::string& strName, const std::string& plain, CodePageChoice choice,
                             bool bNamesNeedUtf8, const std::string& strWhy, CodePage& cp, std::ostream& notes,
                             int* pAddedLine = nullptr);

// The stored form of a Setup.ini text (each byte after the first XOR the stored byte before it),
// and back.
std::string ChainSetupIni(const std::string& text);
std::string UnchainSetupIni(const std::string& stored);

// The text of a Setup.ini file: taken as it is when it begins with "INSTALL4" (the plain text an
// author writes; a stored file the installer accepts never does), a UTF-8 byte-order mark before it
// allowed, else un-chained from its stored form. *pbPlain says which.
std::string DecodeSetupIni(const std::string& bytes, bool* pbPlain = nullptr);

}  // namespace zrvtool
