#include "SetupText.h"

#include "AfxCodePage.h"
#include "ScriptText.h"
#include "SetupConfig.h"
#include "ToolCommon.h"

#include <cstring>
#include <ostream>

namespace zrvtool {
namespace {

bool HasHighByte(const std::string& text)
{
    for (char ch : text)
        if ((unsigned char)ch >= 0x80) return true;
    return false;
}

// The first line of text holding a character that Windows-1252 lacks (text is valid UTF-8); 0
// when there is none.
int FirstLineBeyondCp1252(const std::string& text)
{
    std::vector<TextLine> lines = SplitLines(text);
    std::string converted;
    for (size_t i = 0; i < lines.size(); ++i)
        if (!Utf8ToCp1252(lines[i].strText, converted)) return int(i) + 1;
    return 0;
}

std::string At(const std::string& strName, int nLine) { return strName + ":" + std::to_string(nLine) + ": "; }

// Where the extension lines begin: the offset after the fourth key line's CR LF; npos when the
// installer would not read the settings.
size_t ExtensionStart(const std::string& text)
{
    std::string copy = text;
    copy.resize(std::strlen(copy.c_str()));
    SetupConfig config;
    char* pFourth = nullptr;
    if (!ParseSetupText(&copy[0], config, nullptr, &pFourth) || !pFourth) return std::string::npos;
    const char* crlf = std::strstr(pFourth, "\r\n");
    return crlf ? size_t(crlf + 2 - copy.c_str()) : std::string::npos;
}

}  // namespace

bool ConvertLineEnds(const std::string& text, std::string& out)
{
    out.clear();
    bool bChanged = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
            bChanged = true;
        }
        out += text[i];
    }
    return bChanged;
}

void ForEachExtensionLine(const std::string& text, const std::function<void(const std::string&, int)>& onLine)
{
    size_t start = ExtensionStart(text);
    if (start == std::string::npos) return;
    size_t marker = text.find("REGEDIT4");
    int nLine = 1;
    for (size_t i = 0; i < start; ++i) nLine += text.compare(i, 2, "\r\n") == 0 ? 1 : 0;
    for (size_t at = start;; ++nLine) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos || text[at] == '[' || (marker != std::string::npos && marker < end)) break;
        std::string line = text.substr(at, end - at);
        at = end + 2;
        onLine(line, nLine);
    }
}

const char kCodePageLineRule[] =
    "a CodePage line is CodePage=1252 (Windows-1252, as without the line) or CodePage=65001 (UTF-8)";

CodePageLine ReadCodePageLine(const std::string& text)
{
    // The last CodePage line holds, as for the other settings there.
    CodePageLine found;
    ForEachExtensionLine(text, [&](const std::string& line, int nLine) {
        if (line.compare(0, 9, "CodePage=") != 0) return;
        if (ParseCodePageValue(line.substr(9), found.cp)) found.nLine = nLine;
        else found.nBadLine = nLine;
    });
    return found;
}

CodePageLine FindCodePageLine(const std::string& strName, const std::string& text)
{
    CodePageLine found = ReadCodePageLine(text);
    if (found.nBadLine > 0) throw ToolError(At(strName, found.nBadLine) + kCodePageLineRule);
    return found;
}

int FirstMalformedUtf8Line(const std::string& text)
{
    if (IsUtf8(text)) return 0;
    std::vector<TextLine> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i)
        if (!IsUtf8(lines[i].strText)) return int(i) + 1;
    return int(lines.size());  // a sequence cut by the line end itself
}

int AddCodePageLine(std::string& text)
{
    size_t start = ExtensionStart(text);
    if (start == std::string::npos) return 0;
    int nLine = 1;
    for (size_t i = 0; i < start; ++i) nLine += text.compare(i, 2, "\r\n") == 0 ? 1 : 0;
    text.insert(start, "CodePage=65001\r\n");
    return nLine;
}

namespace {

// What the text holds, as the choice of its code page needs it.
struct TextFacts {
    bool bHigh = false;  // a byte above 127
    bool bUtf8 = false;  // well-formed UTF-8
    int nBeyond = 0;     // the first line of UTF-8 that Windows-1252 cannot write, 0 when none
};

// The code page of the text by the rules (SetupText.h): choice is --code-page's, declared the
// text's own CodePage line. Throws ToolError where the rules cannot be met.
CodePage ChooseCodePage(const std::string& strName, const std::string& text, const TextFacts& facts,
                        CodePageChoice choice, const CodePageLine& declared, bool bNamesNeedUtf8,
                        const std::string& strWhy)
{
    if (declared.nLine > 0 && choice != CodePageChoice::automatic &&
        (choice == CodePageChoice::utf8) != (declared.cp == CodePage::utf8))
        throw ToolError(At(strName, declared.nLine) + "CodePage=" + std::to_string(CodePageNumber(declared.cp)) +
                        " differs from --code-page");
    if (declared.nLine > 0) choice = declared.cp == CodePage::utf8 ? CodePageChoice::utf8 : CodePageChoice::cp1252;
    if (choice == CodePageChoice::utf8 && declared.nLine > 0 && !facts.bUtf8)
        throw ToolError(At(strName, FirstMalformedUtf8Line(text)) +
                        "the line is not well-formed UTF-8, which CodePage=65001 says the text is");
    if (choice == CodePageChoice::cp1252) {
        std::string fixedBy = declared.nLine > 0 ? "CodePage=1252" : "--code-page 1252";
        if (facts.nBeyond > 0)
            throw ToolError(At(strName, facts.nBeyond) + "the line holds a character that the installer's code page "
                                                         "(Windows-1252) lacks" +
                            (declared.nLine > 0 ? "; " + fixedBy + " fixes that code page" : ""));
        if (bNamesNeedUtf8)
            throw ToolError(strName + ": the name '" + strWhy + "' needs UTF-8, but " + fixedBy + " fixes Windows-1252");
    }
    bool bUtf8 = choice == CodePageChoice::utf8 ||
                 (choice == CodePageChoice::automatic && (facts.nBeyond > 0 || bNamesNeedUtf8));
    return bUtf8 ? CodePage::utf8 : CodePage::cp1252;
}

}  // namespace

std::string StoredLines(const std::string& strName, const std::string& plain, std::ostream& notes)
{
    // The installer's first line begins with INSTALL4: a byte-order mark before it would hide it.
    bool bMark = plain.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (bMark) notes << strName << ": note: the byte-order mark at the start is left out\n";
    std::string text;
    if (ConvertLineEnds(bMark ? plain.substr(3) : plain, text))
        notes << strName << ": note: lines ended by LF alone are stored ended by CR LF, as the installer reads them\n";
    return text;
}

std::string PrepareSetupText(const std::string& strName, const std::string& plain, CodePageChoice choice,
                             bool bNamesNeedUtf8, const std::string& strWhy, CodePage& cp, std::ostream& notes,
                             int* pAddedLine)
{
    if (pAddedLine) *pAddedLine = 0;
    std::string text = StoredLines(strName, plain, notes);
    CodePageLine declared = FindCodePageLine(strName, text);
    TextFacts facts;
    facts.bHigh = HasHighByte(text);
    facts.bUtf8 = IsUtf8(text);
    facts.nBeyond = facts.bHigh && facts.bUtf8 ? FirstLineBeyondCp1252(text) : 0;
    cp = ChooseCodePage(strName, text, facts, choice, declared, bNamesNeedUtf8, strWhy);

    if (cp == CodePage::cp1252) {
        std::string converted;
        if (facts.bHigh && facts.bUtf8 && Utf8ToCp1252(text, converted)) {
            notes << strName << ": note: the text is UTF-8; stored converted to Windows-1252\n";
            return converted;
        }
        return text;
    }
    if (facts.bHigh && !facts.bUtf8) {
        text = Cp1252ToUtf8(text);
        notes << strName << ": note: the text is Windows-1252; stored converted to UTF-8\n";
    }
    int nAdded = declared.nLine == 0 ? AddCodePageLine(text) : 0;
    if (pAddedLine) *pAddedLine = nAdded;
    if (nAdded > 0) {
        std::string why = choice == CodePageChoice::utf8 ? "--code-page utf-8"
                          : facts.nBeyond > 0
                              ? "line " + std::to_string(facts.nBeyond) + " holds a character that Windows-1252 lacks"
                              : "the name '" + strWhy + "' needs a character that Windows-1252 lacks";
        notes << strName << ": note: UTF-8 (" << why << "): stored with CodePage=65001, the image's names in UTF-8\n";
    }
    return text;
}


std::string ChainSetupIni(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

std::string UnchainSetupIni(const std::string& stored)
{
    std::string text = stored;
    for (size_t k = text.size(); k-- > 1;) text[k] = char(stored[k] ^ stored[k - 1]);
    return text;
}

std::string DecodeSetupIni(const std::string& bytes, bool* pbPlain)
{
    // A stored text that the installer accepts begins with "I" and 0x07, never with "INSTALL4"; an
    // editor may put a byte-order mark before a plain text's first line.
    bool bPlain = bytes.compare(0, 8, "INSTALL4") == 0 || bytes.compare(0, 11, "\xEF\xBB\xBFINSTALL4") == 0;
    if (pbPlain) *pbPlain = bPlain;
    return bPlain ? bytes : UnchainSetupIni(bytes);
}

}  // namespace zrvtool
