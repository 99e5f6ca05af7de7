#include "ProgramResources.h"

#include "BundleFormat.h"
#include "ToolCommon.h"

#include <algorithm>
#include <cstring>

namespace zrvtool {

uint32_t PeImage::U32(size_t at) const
{
    Need(at, 4);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(m_pe.data()) + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t PeImage::U16(size_t at) const
{
    Need(at, 2);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(m_pe.data()) + at;
    return uint16_t(p[0] | p[1] << 8);
}

void PeImage::Set32(size_t at, uint32_t v)
{
    Need(at, 4);
    for (int i = 0; i < 4; ++i) m_pe[at + size_t(i)] = char(v >> (8 * i));
}

void PeImage::Set16(size_t at, uint16_t v)
{
    Need(at, 2);
    m_pe[at] = char(v), m_pe[at + 1] = char(v >> 8);
}

void PeImage::Need(size_t at, size_t n) const
{
    if (at > m_pe.size() || n > m_pe.size() - at) Fail("is cut short or malformed");
}

void PeImage::Fail(const std::string& why) const { throw ToolError(m_what + ": " + why); }

PeLayout ReadPeLayout(const PeImage& b)
{
    const std::string& pe = b.Bytes();
    size_t nt = zrv::PeHeaderOffset(reinterpret_cast<const unsigned char*>(pe.data()), pe.size());
    if (nt == 0) b.Fail("is not a Windows program");
    PeLayout l;
    l.nFileHeader = nt + 4;
    l.nSectionCount = b.U16(l.nFileHeader + 2);
    l.nOptional = l.nFileHeader + 20;
    l.nSections = l.nOptional + b.U16(l.nFileHeader + 16);
    uint16_t magic = b.U16(l.nOptional);
    if (magic != 0x10B && magic != 0x20B) b.Fail("is not a 32-bit or 64-bit Windows program");
    size_t dirs = magic == 0x20B ? 112 : 96;
    l.nSectionAlign = b.U32(l.nOptional + 32);
    l.nFileAlign = b.U32(l.nOptional + 36);
    l.nHeadersSize = b.U32(l.nOptional + 60);
    l.nDataDirCount = b.U32(l.nOptional + dirs - 4);
    l.nDataDirs = l.nOptional + dirs;
    if (l.nDataDirCount >= 3) {
        l.nRsrcRva = b.U32(l.nDataDirs + 2 * 8);
        l.nRsrcSize = b.U32(l.nDataDirs + 2 * 8 + 4);
    }
    if (l.nRsrcRva != 0 && l.nRsrcSize != 0) {
        l.nRoot = PeFileOffset(b, l, l.nRsrcRva);
        b.Need(l.nRoot, l.nRsrcSize);
    } else {
        l.nRsrcRva = l.nRsrcSize = 0;
    }
    return l;
}

size_t PeFileOffset(const PeImage& b, const PeLayout& l, uint32_t rva)
{
    for (uint16_t i = 0; i < l.nSectionCount; ++i) {
        size_t h = l.nSections + size_t(i) * 40;
        uint32_t va = b.U32(h + 12), raw = b.U32(h + 16), at = b.U32(h + 20);
        if (rva >= va && rva - va < raw) return size_t(at) + (rva - va);
    }
    b.Fail("has resources outside its sections");
}

bool PeIsSigned(const PeImage& b, const PeLayout& l)
{
    return l.nDataDirCount >= 5 && b.U32(l.nDataDirs + 4 * 8 + 4) != 0;
}

namespace {

uint32_t AlignUp(uint32_t v, uint32_t a) { return a ? (v + a - 1) / a * a : v; }

// Whether the directory entry at e (a file offset) names key's name: its string without letter
// case, its number, or any entry for the first one.
bool NameMatches(const PeImage& b, size_t root, size_t e, const ResourceKey& key)
{
    uint32_t name = b.U32(e);
    if (key.strName.empty()) return key.nId == 0 || name == key.nId;
    if (!(name & 0x80000000u)) return false;
    size_t s = root + (name & 0x7FFFFFFFu);
    uint16_t n = b.U16(s);
    if (n != key.strName.size()) return false;
    for (uint16_t i = 0; i < n; ++i) {
        uint16_t ch = b.U16(s + 2 + size_t(i) * 2);
        unsigned char want = (unsigned char)key.strName[i];
        auto upper = [](uint16_t c) { return c >= 'a' && c <= 'z' ? uint16_t(c - 32) : c; };
        if (upper(ch) != upper(want)) return false;
    }
    return true;
}

}  // namespace

uint32_t FindResourceEntry(const PeImage& b, const PeLayout& l, const ResourceKey& key)
{
    uint32_t target = 0x80000000u;
    for (int level = 0; level < 3; ++level) {
        if (!(target & 0x80000000u)) b.Fail("has malformed resources");
        size_t dir = l.nRoot + (target & 0x7FFFFFFFu);
        uint16_t named = b.U16(dir + 12), ids = b.U16(dir + 14);
        bool bFound = false;
        for (uint32_t i = 0; i < uint32_t(named) + ids && !bFound; ++i) {
            size_t e = dir + 16 + size_t(i) * 8;
            bool bMatch = level == 0   ? b.U32(e) == key.nType
                          : level == 1 ? NameMatches(b, l.nRoot, e, key)
                                       : true;  // the first language
            if (bMatch) {
                target = b.U32(e + 4);
                bFound = true;
            }
        }
        if (!bFound) return 0;
    }
    if (target & 0x80000000u || size_t(target) + 16 > l.nRsrcSize) b.Fail("has malformed resources");
    return target;
}

namespace {

// Moves the data entries of the resource directory at dir (offsets relative to the tree's start)
// from the tree at fromRva to the one at toRva; data outside the tree stays where it is.
void RelocateData(PeImage& tree, uint32_t dir, uint32_t fromRva, uint32_t size, uint32_t toRva, int depth)
{
    if (depth > 3) tree.Fail("has malformed resources");
    uint32_t n = uint32_t(tree.U16(dir + 12)) + tree.U16(dir + 14);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t target = tree.U32(dir + 16 + size_t(i) * 8 + 4);
        if (target & 0x80000000u) {
            RelocateData(tree, target & 0x7FFFFFFFu, fromRva, size, toRva, depth + 1);
            continue;
        }
        uint32_t rva = tree.U32(target);
        if (rva >= fromRva && rva - fromRva < size) tree.Set32(target, rva - fromRva + toRva);
    }
}

void Pad(std::string& s, size_t to)
{
    while (s.size() % to) s += '\0';
}

}  // namespace

std::optional<std::string> ResourceData(const std::string& program, const ResourceKey& key, const std::string& what)
{
    std::string pe = program;
    PeImage b(pe, what);
    PeLayout l = ReadPeLayout(b);
    if (l.nRoot == 0) return std::nullopt;
    uint32_t entry = FindResourceEntry(b, l, key);
    if (entry == 0) return std::nullopt;
    uint32_t rva = b.U32(l.nRoot + entry), size = b.U32(l.nRoot + entry + 4);
    size_t at = PeFileOffset(b, l, rva);
    b.Need(at, size);
    return pe.substr(at, size);
}

std::string WithResources(const std::string& program, const std::vector<ResourceChange>& changes, const std::string& what)
{
    std::string pe = program;
    PeImage b(pe, what);
    PeLayout l = ReadPeLayout(b);
    if (PeIsSigned(b, l)) b.Fail("is signed: its resources cannot change");
    if (l.nRoot == 0) b.Fail("has no resources");
    std::vector<uint32_t> entries;
    for (const ResourceChange& c : changes) {
        uint32_t entry = FindResourceEntry(b, l, c.key);
        if (entry == 0)
            b.Fail("has no resource " + (c.key.strName.empty() ? std::to_string(c.key.nId) : c.key.strName) +
                   " of type " + std::to_string(c.key.nType));
        entries.push_back(entry);
    }

    // The whole resource tree is copied into a section added after the last one, with the new
    // data after it: tools and the system read resources from the section that the resource
    // directory names, so the tree and its data stay together.
    size_t header = l.nSections + size_t(l.nSectionCount) * 40;
    if (header + 40 > l.nHeadersSize || pe.find_first_not_of('\0', header) < header + 40)
        b.Fail("has no room for another section");
    size_t last = header - 40;
    uint32_t va = AlignUp(b.U32(last + 12) + std::max(b.U32(last + 8), b.U32(last + 16)), l.nSectionAlign);
    std::string treeBytes = pe.substr(l.nRoot, l.nRsrcSize);
    Pad(treeBytes, 4);
    PeImage tree(treeBytes, what);
    std::string data;
    for (size_t i = 0; i < changes.size(); ++i) {
        // The old data goes, in the copy and in the old section.
        uint32_t oldRva = tree.U32(entries[i]), oldSize = tree.U32(entries[i] + 4);
        uint32_t inTree = oldRva - l.nRsrcRva;
        if (oldRva >= l.nRsrcRva && inTree <= l.nRsrcSize && oldSize <= l.nRsrcSize - inTree) {
            std::memset(&treeBytes[inTree], 0, oldSize);
            std::memset(&pe[l.nRoot + inTree], 0, oldSize);
        }
    }
    RelocateData(tree, 0, l.nRsrcRva, l.nRsrcSize, va, 0);
    for (size_t i = 0; i < changes.size(); ++i) {
        Pad(data, 4);  // each resource's data starts on a 4-byte boundary, as the tree's own
        tree.Set32(entries[i], va + uint32_t(treeBytes.size() + data.size()));
        tree.Set32(entries[i] + 4, uint32_t(changes[i].data.size()));
        data += changes[i].data;
    }
    std::string section = treeBytes + data;

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
    b.Set32(header + 8, uint32_t(section.size()));
    b.Set32(header + 12, va);
    b.Set32(header + 16, rawSize);
    b.Set32(header + 20, rawAt);
    b.Set32(header + 36, 0x40000040u);  // initialised data, readable
    b.Set16(l.nFileHeader + 2, uint16_t(l.nSectionCount + 1));
    b.Set32(l.nOptional + 56, AlignUp(va + uint32_t(section.size()), l.nSectionAlign));
    b.Set32(l.nOptional + 64, 0);  // no checksum rather than a wrong one
    b.Set32(l.nDataDirs + 2 * 8, va);
    b.Set32(l.nDataDirs + 2 * 8 + 4, uint32_t(section.size()));
    return pe;
}

}  // namespace zrvtool
