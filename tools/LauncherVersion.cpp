#include "LauncherVersion.h"

#include "AfxCodePage.h"
#include "ProgramResources.h"
#include "ToolCommon.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zrvtool {
namespace {

// text of the medium's code page as UTF-16; a UTF-8 text that is not well-formed is taken as
// Windows-1252, as nothing of it would read right otherwise.
std::u16string Utf16Of(const std::string& text, bool bUtf8)
{
    std::string utf8 = bUtf8 && IsUtf8(text) ? text : Cp1252ToUtf8(text);
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        uint32_t cp = c < 0x80 ? c : c < 0xE0 ? c & 0x1F : c < 0xF0 ? c & 0x0F : c & 0x07;
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        if (cp >= 0x10000) {  // beyond the first plane: a surrogate pair
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += n;
    }
    return out;
}

void Put16(std::string& s, uint16_t v) { s += char(v & 0xFF), s += char(v >> 8); }
void Put32(std::string& s, uint32_t v) { Put16(s, uint16_t(v)), Put16(s, uint16_t(v >> 16)); }
void Pad4(std::string& s)
{
    while (s.size() % 4) s += '\0';
}
void PutText(std::string& s, const std::u16string& text)
{
    for (char16_t ch : text) Put16(s, uint16_t(ch));
    Put16(s, 0);
}

// One block of the version information: length, value length, type, key, padding, value,
// padding, children; its length fills in at the end.
std::string Block(const char* pszKey, uint16_t nType, const std::string& value, uint16_t nValueLength,
                  const std::string& children)
{
    std::string b(6, '\0');
    PutText(b, std::u16string(pszKey, pszKey + std::strlen(pszKey)));
    Pad4(b);
    b += value;
    if (!children.empty()) {
        Pad4(b);
        b += children;
    }
    uint16_t n = uint16_t(b.size());
    b[0] = char(n & 0xFF), b[1] = char(n >> 8);
    b[2] = char(nValueLength & 0xFF), b[3] = char(nValueLength >> 8);
    b[4] = char(nType), b[5] = 0;
    return b;
}

std::string StringBlock(const char* pszKey, const std::string& text8, bool bUtf8)
{
    std::u16string text = Utf16Of(text8, bUtf8);
    std::string value;
    PutText(value, text);
    std::string b = Block(pszKey, 1, value, uint16_t(text.size() + 1), "");
    Pad4(b);
    return b;
}

// Up to four numbers of a version text ("2.1.0 beta" gives 2, 1, 0, 0).
void VersionNumbers(const std::string& text, uint32_t* pMs, uint32_t* pLs)
{
    uint16_t parts[4] = {};
    const char* p = text.c_str();
    for (int i = 0; i < 4 && *p >= '0' && *p <= '9'; ++i) {
        unsigned long n = std::strtoul(p, const_cast<char**>(&p), 10);
        parts[i] = uint16_t(n > 0xFFFF ? 0xFFFF : n);
        if (*p != '.') break;
        ++p;
    }
    *pMs = uint32_t(parts[0]) << 16 | parts[1];
    *pLs = uint32_t(parts[2]) << 16 | parts[3];
}

}  // namespace

std::string VersionInfoBlock(const ProductInfo& product)
{
    uint32_t ms = 0, ls = 0;
    VersionNumbers(product.strVersion, &ms, &ls);
    std::string fixed;
    for (uint32_t v : {0xFEEF04BDu, 0x00010000u, ms, ls, ms, ls, 0x3Fu, 0u, 0x4u /* VOS__WINDOWS32 */,
                       0x1u /* VFT_APP */, 0u, 0u, 0u})
        Put32(fixed, v);
    bool bUtf8 = product.bUtf8;
    std::string strings = StringBlock("FileDescription", product.strName + " Setup", bUtf8);
    strings += StringBlock("ProductName", product.strName, bUtf8);
    if (!product.strVersion.empty()) {
        strings += StringBlock("ProductVersion", product.strVersion, bUtf8);
        strings += StringBlock("FileVersion", product.strVersion, bUtf8);
    }
    if (!product.strPublisher.empty()) strings += StringBlock("CompanyName", product.strPublisher, bUtf8);
    std::string table = Block("040904E4", 1, "", 0, strings);
    std::string translation;
    Put32(translation, 0x04E40409u);  // US English, Windows-1252
    std::string vars = Block("VarFileInfo", 1, "", 0, Block("Translation", 0, translation, 4, ""));
    Pad4(table);
    std::string children = Block("StringFileInfo", 1, "", 0, table);
    Pad4(children);
    children += vars;
    return Block("VS_VERSION_INFO", 0, fixed, uint16_t(fixed.size()), children);
}

std::string WithProductVersion(const std::string& program, const ProductInfo& product)
{
    return WithResources(program, {{{16, "", 0}, VersionInfoBlock(product)}}, "the launcher");
}

}  // namespace zrvtool
