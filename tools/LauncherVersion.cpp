#include "LauncherVersion.h"

#include "BundleFormat.h"
#include "AfxCodePage.h"
#include "ToolCommon.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zrvtool {
namespace {

std::u16string Utf16OfCp1252(const std::string& text)
{
    std::string utf8 = Cp1252ToUtf8(text);
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        // The code page's characters all lie in the first plane: one, two or three bytes.
        unsigned cp = c < 0x80 ? c : c < 0xE0 ? c & 0x1F : c & 0x0F;
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
        for (size_t k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        out += char16_t(cp);
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

std::string StringBlock(const char* pszKey, const std::string& cp1252)
{
    std::u16string text = Utf16OfCp1252(cp1252);
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

uint32_t Get32(const std::string& s, size_t at)
{
    if (at + 4 > s.size()) throw ToolError("the launcher program is cut short");
    return uint32_t((unsigned char)s[at]) | uint32_t((unsigned char)s[at + 1]) << 8 |
           uint32_t((unsigned char)s[at + 2]) << 16 | uint32_t((unsigned char)s[at + 3]) << 24;
}
uint16_t Get16(const std::string& s, size_t at)
{
    if (at + 2 > s.size()) throw ToolError("the launcher program is cut short");
    return uint16_t((unsigned char)s[at] | (unsigned char)s[at + 1] << 8);
}
void Set32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i));
}
void Set16(std::string& s, size_t at, uint16_t v) { s[at] = char(v), s[at + 1] = char(v >> 8); }
uint32_t AlignUp(uint32_t v, uint32_t a) { return a ? (v + a - 1) / a * a : v; }

struct PeLayout {
    size_t nFileHeader, nOptional, nSections;
    uint16_t nSectionCount;
    uint32_t nSectionAlign, nFileAlign, nHeadersSize;
    size_t nDataDirs;
    uint32_t nDataDirCount;
};

PeLayout ReadLayout(const std::string& pe)
{
    size_t nt = zrv::PeHeaderOffset(reinterpret_cast<const unsigned char*>(pe.data()), pe.size());
    if (nt == 0) throw ToolError("the launcher is not a Windows program");
    PeLayout l{};
    l.nFileHeader = nt + 4;
    l.nSectionCount = Get16(pe, l.nFileHeader + 2);
    l.nOptional = l.nFileHeader + 20;
    l.nSections = l.nOptional + Get16(pe, l.nFileHeader + 16);
    uint16_t magic = Get16(pe, l.nOptional);
    size_t dirs = magic == 0x20B ? 112 : 96;
    l.nSectionAlign = Get32(pe, l.nOptional + 32);
    l.nFileAlign = Get32(pe, l.nOptional + 36);
    l.nHeadersSize = Get32(pe, l.nOptional + 60);
    l.nDataDirCount = Get32(pe, l.nOptional + dirs - 4);
    l.nDataDirs = l.nOptional + dirs;
    if (l.nDataDirCount < 5) throw ToolError("the launcher has no resource directory");
    return l;
}

size_t FileOffsetOf(const std::string& pe, const PeLayout& l, uint32_t rva)
{
    for (uint16_t i = 0; i < l.nSectionCount; ++i) {
        size_t h = l.nSections + size_t(i) * 40;
        uint32_t va = Get32(pe, h + 12), vsize = Get32(pe, h + 8), raw = Get32(pe, h + 16), at = Get32(pe, h + 20);
        if (rva >= va && rva - va < (vsize > raw ? vsize : raw) && rva - va < raw) return at + (rva - va);
    }
    throw ToolError("the launcher's resources lie outside its sections");
}

// The entry of id (or the first entry when id is 0) in the resource directory at offset dir.
uint32_t DirectoryEntry(const std::string& pe, size_t dir, uint16_t id)
{
    uint16_t named = Get16(pe, dir + 12), ids = Get16(pe, dir + 14);
    for (uint32_t i = 0; i < uint32_t(named) + ids; ++i) {
        size_t e = dir + 16 + size_t(i) * 8;
        if (id == 0 || (i >= named && Get32(pe, e) == id)) return Get32(pe, e + 4);
    }
    throw ToolError("the launcher has no version resource");
}

// Moves the data entries of the resource directory at dir (offsets relative to the tree's start)
// from the tree at fromRva to the one at toRva; data outside the tree stays where it is.
void RelocateData(std::string& tree, uint32_t dir, uint32_t fromRva, uint32_t size, uint32_t toRva, int depth)
{
    if (depth > 3 || size_t(dir) + 16 > tree.size()) throw ToolError("the launcher's resources are malformed");
    uint32_t n = uint32_t(Get16(tree, dir + 12)) + Get16(tree, dir + 14);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t target = Get32(tree, dir + 16 + size_t(i) * 8 + 4);
        if (target & 0x80000000u) {
            RelocateData(tree, target & 0x7FFFFFFFu, fromRva, size, toRva, depth + 1);
            continue;
        }
        uint32_t rva = Get32(tree, target);
        if (rva >= fromRva && rva - fromRva < size) Set32(tree, target, rva - fromRva + toRva);
    }
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
    std::string strings = StringBlock("FileDescription", product.strName + " Setup");
    strings += StringBlock("ProductName", product.strName);
    if (!product.strVersion.empty()) {
        strings += StringBlock("ProductVersion", product.strVersion);
        strings += StringBlock("FileVersion", product.strVersion);
    }
    if (!product.strPublisher.empty()) strings += StringBlock("CompanyName", product.strPublisher);
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
    std::string pe = program;
    PeLayout l = ReadLayout(pe);
    if (Get32(pe, l.nDataDirs + 4 * 8 + 4) != 0) throw ToolError("the launcher is signed: its version cannot change");
    uint32_t rsrcRva = Get32(pe, l.nDataDirs + 2 * 8), rsrcSize = Get32(pe, l.nDataDirs + 2 * 8 + 4);
    size_t root = FileOffsetOf(pe, l, rsrcRva);
    if (rsrcSize == 0 || root + rsrcSize > pe.size()) throw ToolError("the launcher's resources are malformed");
    // Type RT_VERSION (16), then its first name, then its first language: a data entry.
    uint32_t byType = DirectoryEntry(pe, root, 16);
    if (!(byType & 0x80000000u)) throw ToolError("the launcher's version resource is malformed");
    uint32_t byName = DirectoryEntry(pe, root + (byType & 0x7FFFFFFFu), 0);
    if (!(byName & 0x80000000u)) throw ToolError("the launcher's version resource is malformed");
    uint32_t byLang = DirectoryEntry(pe, root + (byName & 0x7FFFFFFFu), 0);
    if (byLang & 0x80000000u || byLang + 16 > rsrcSize) throw ToolError("the launcher's version resource is malformed");

    // The whole resource tree is copied into a section added after the last one, with the new
    // block after it: tools and the system read resources from the section that the resource
    // directory names, so the tree and its data stay together.
    size_t header = l.nSections + size_t(l.nSectionCount) * 40;
    if (header + 40 > l.nHeadersSize || pe.find_first_not_of('\0', header) < header + 40)
        throw ToolError("the launcher has no room for another section");
    size_t last = header - 40;
    uint32_t va = AlignUp(Get32(pe, last + 12) + std::max(Get32(pe, last + 8), Get32(pe, last + 16)), l.nSectionAlign);
    std::string tree = pe.substr(root, rsrcSize);
    Pad4(tree);
    std::string block = VersionInfoBlock(product);
    uint32_t blockRva = va + uint32_t(tree.size());
    // The old block goes, in the copy and in the old section, so that nothing reads the launcher's
    // own name from the program.
    uint32_t oldRva = Get32(tree, byLang), oldSize = Get32(tree, byLang + 4);
    if (oldRva >= rsrcRva && oldRva - rsrcRva <= rsrcSize && oldSize <= rsrcSize - (oldRva - rsrcRva)) {
        std::memset(&tree[oldRva - rsrcRva], 0, oldSize);
        std::memset(&pe[root + (oldRva - rsrcRva)], 0, oldSize);
    }
    RelocateData(tree, 0, rsrcRva, rsrcSize, va, 0);
    Set32(tree, byLang, blockRva);
    Set32(tree, byLang + 4, uint32_t(block.size()));
    std::string section = tree + block;

    uint32_t rawAt = AlignUp(uint32_t(pe.size()), l.nFileAlign);
    uint32_t rawSize = AlignUp(uint32_t(section.size()), l.nFileAlign);
    pe.resize(rawAt, '\0');
    pe += section;
    pe.resize(size_t(rawAt) + rawSize, '\0');
    // The old section keeps its bytes under another name; the new one takes the usual name.
    for (uint16_t i = 0; i < l.nSectionCount; ++i)
        if (pe.compare(l.nSections + size_t(i) * 40, 8, std::string(".rsrc\0\0\0", 8)) == 0)
            std::memcpy(&pe[l.nSections + size_t(i) * 40], ".rsrc0\0\0", 8);
    std::memcpy(&pe[header], ".rsrc\0\0\0", 8);
    Set32(pe, header + 8, uint32_t(section.size()));
    Set32(pe, header + 12, va);
    Set32(pe, header + 16, rawSize);
    Set32(pe, header + 20, rawAt);
    Set32(pe, header + 36, 0x40000040u);  // initialised data, readable
    Set16(pe, l.nFileHeader + 2, uint16_t(l.nSectionCount + 1));
    Set32(pe, l.nOptional + 56, AlignUp(va + uint32_t(section.size()), l.nSectionAlign));
    Set32(pe, l.nOptional + 64, 0);  // no checksum rather than a wrong one
    Set32(pe, l.nDataDirs + 2 * 8, va);
    Set32(pe, l.nDataDirs + 2 * 8 + 4, uint32_t(section.size()));
    return pe;
}

}  // namespace zrvtool
