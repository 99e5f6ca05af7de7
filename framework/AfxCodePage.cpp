#include "AfxCodePage.h"

#include <cstdint>
#include <cstring>

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 where the code page defines no character. Those five
// bytes stand for the C1 control of the same number, as the system's own conversion has them, so
// that every byte has its own character and the way back gives the same byte.
const uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t ByteToCodePoint(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80]) return kHigh[b - 0x80];
    return b;
}

bool CodePointToByte(uint32_t cp, char& out)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) || (cp >= 0x80 && cp < 0xA0 && !kHigh[cp - 0x80])) {
        out = char(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] && kHigh[i] == cp) {
            out = char(0x80 + i);
            return true;
        }
    }
    return false;
}

// Decodes the well-formed UTF-8 sequence at text[i] into cp and moves i past it. False, with i
// unchanged, for a stray or missing continuation byte, an overlong form, a surrogate or a code
// point above U+10FFFF.
bool NextCodePoint(const std::string& text, size_t& i, uint32_t& cp)
{
    unsigned char b = static_cast<unsigned char>(text[i]);
    size_t len;
    if (b < 0x80) { cp = b; len = 1; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
    else return false;
    if (i + len > text.size()) return false;
    for (size_t k = 1; k < len; ++k) {
        unsigned char c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
    return true;
}

}  // namespace

void AfxAppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool Utf8ToCp1252(const std::string& utf8, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp;
        char byte;
        if (!NextCodePoint(utf8, i, cp) || !CodePointToByte(cp, byte)) return false;
        out += byte;
    }
    return true;
}

std::string Cp1252ToUtf8(const std::string& cp1252)
{
    std::string out;
    for (char ch : cp1252) AfxAppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(ch)));
    return out;
}

size_t Utf8Prefix(const std::string& text)
{
    size_t i = 0;
    for (uint32_t cp; i < text.size();) {
        const size_t at = i;
        if (!NextCodePoint(text, i, cp)) return at;
    }
    return i;
}

bool IsUtf8(const std::string& text) { return Utf8Prefix(text) == text.size(); }

bool StartsWithUtf8Mark(const char* pData, size_t nSize)
{
    return nSize >= kUtf8MarkSize && std::memcmp(pData, kUtf8Mark, kUtf8MarkSize) == 0;
}

bool AfxNextCodePoint(const std::string& text, size_t& i, uint32_t& cp)
{
    return i < text.size() && NextCodePoint(text, i, cp);
}
