#include "CodePage.h"

#include "AfxCodePage.h"
#include "ToolCommon.h"

#include <cstdint>

namespace zrvtool {
namespace {

CodePageChoice ParseChoice(const std::string& v)
{
    if (v == "auto") return CodePageChoice::automatic;
    if (v == "1252") return CodePageChoice::cp1252;
    if (v == "utf-8" || v == "utf8" || v == "65001") return CodePageChoice::utf8;
    throw ToolError("--code-page '" + v + "': give 1252 (Windows-1252), utf-8 (CodePage=65001) or auto "
                    "(Windows-1252 unless a name or a text needs UTF-8; the default)");
}

// The lower-case partner of a capital letter of the scripts that Windows names mostly use.
uint32_t LowerLetter(uint32_t cp)
{
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) return cp + 32;
    if (cp == 0x178) return 0xFF;
    // Latin Extended-A pairs capital and small letters as even and odd, but for the run from
    // U+0139 to U+0148 and from U+0179 to U+017E, where the capital is odd.
    if ((cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177)) return cp | 1;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) return (cp & 1) ? cp + 1 : cp;
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;  // Greek
    if (cp >= 0x410 && cp <= 0x42F) return cp + 32;                 // Cyrillic
    if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
    if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 32;               // full-width Latin
    return cp;
}

}  // namespace

const char* CodePageName(CodePage cp) { return cp == CodePage::utf8 ? "UTF-8" : "Windows-1252"; }
int CodePageNumber(CodePage cp) { return cp == CodePage::utf8 ? 65001 : 1252; }

Option CodePageOption()
{
    return {"--code-page", "1252|utf-8|auto", [](const std::string& v) { ParseChoice(v); }};
}

CodePageChoice CodePageChoiceOf(const CommandLine& line)
{
    return line.Has("--code-page") ? ParseChoice(line.Value("--code-page")) : CodePageChoice::automatic;
}

bool StoredNameOf(const std::string& hostName, CodePage cp, std::string& stored)
{
    if (cp == CodePage::cp1252) return Utf8ToCp1252(hostName, stored);
    if (!IsUtf8(hostName)) return false;
    stored = hostName;
    return true;
}

std::string HostNameOf(const std::string& stored, CodePage cp)
{
    return cp == CodePage::utf8 ? stored : Cp1252ToUtf8(stored);
}

std::string FoldCase(const std::string& s, CodePage cp)
{
    std::string out;
    if (cp == CodePage::utf8 && IsUtf8(s)) {
        uint32_t code = 0;
        for (size_t i = 0; AfxNextCodePoint(s, i, code);) AfxAppendUtf8(out, LowerLetter(code));
        return out;
    }
    out = s;
    for (char& ch : out) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        else if (b >= 0xC0 && b <= 0xDE && b != 0xD7) b = static_cast<unsigned char>(b + 32);
        else if (b == 0x8A || b == 0x8C || b == 0x8E) b = static_cast<unsigned char>(b + 16);
        else if (b == 0x9F) b = 0xFF;
        ch = char(b);
    }
    return out;
}

bool ParseCodePageValue(const std::string& value, CodePage& cp)
{
    if (value == "1252") cp = CodePage::cp1252;
    else if (value == "65001") cp = CodePage::utf8;
    else return false;
    return true;
}

bool NamesLookUtf8(const std::vector<std::string>& stored)
{
    bool bMultibyte = false;
    for (const std::string& name : stored) {
        bool bHigh = false;
        for (char ch : name) bHigh |= (unsigned char)ch >= 0x80;
        if (!bHigh) continue;
        if (!IsUtf8(name)) return false;
        bMultibyte = true;
    }
    return bMultibyte;
}

}  // namespace zrvtool
