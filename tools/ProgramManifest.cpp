#include "ProgramManifest.h"

#include "BundleFormat.h"
#include "ProgramVersion.h"
#include "ToolCommon.h"

#include <cstdint>

namespace zrvtool {
namespace {

const char kAsAdministrator[] = "level=\"requireAdministrator\"";
const char kAsInvoker[] = "level=\"asInvoker\"";

// Reads of a program's bytes that stay inside them: anything outside is a malformed program.
class PeBytes {
public:
    PeBytes(const std::string& pe, const std::string& what) : m_pe(pe), m_what(what) {}

    uint32_t U32(size_t at) const
    {
        Need(at, 4);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_pe.data()) + at;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    uint16_t U16(size_t at) const
    {
        Need(at, 2);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_pe.data()) + at;
        return uint16_t(p[0] | p[1] << 8);
    }
    void Need(size_t at, size_t n) const
    {
        if (at > m_pe.size() || n > m_pe.size() - at) Fail("is cut short or malformed");
    }
    [[noreturn]] void Fail(const std::string& why) const { throw ToolError(m_what + ": " + why); }

private:
    const std::string& m_pe;
    const std::string& m_what;
};

// Where things are in a program's headers.
struct PeHeaders {
    size_t nFileHeader = 0;
    size_t nOptional = 0;
    size_t nSections = 0;
    uint16_t nSectionCount = 0;
    size_t nDataDirs = 0;
    uint32_t nDataDirCount = 0;
};

PeHeaders ReadHeaders(const std::string& pe, const PeBytes& b)
{
    size_t nt = zrv::PeHeaderOffset(reinterpret_cast<const unsigned char*>(pe.data()), pe.size());
    if (nt == 0) b.Fail("is not a Windows program");
    PeHeaders h;
    h.nFileHeader = nt + 4;
    h.nSectionCount = b.U16(h.nFileHeader + 2);
    h.nOptional = h.nFileHeader + 20;
    h.nSections = h.nOptional + b.U16(h.nFileHeader + 16);
    uint16_t magic = b.U16(h.nOptional);
    if (magic != 0x10B && magic != 0x20B) b.Fail("is not a 32-bit or 64-bit Windows program");
    size_t dirs = magic == 0x20B ? 112 : 96;
    h.nDataDirCount = b.U32(h.nOptional + dirs - 4);
    h.nDataDirs = h.nOptional + dirs;
    return h;
}

// The file offset of rva, inside the raw data of a section.
size_t FileOffsetOf(const PeHeaders& h, const PeBytes& b, uint32_t rva)
{
    for (uint16_t i = 0; i < h.nSectionCount; ++i) {
        size_t s = h.nSections + size_t(i) * 40;
        uint32_t va = b.U32(s + 12), raw = b.U32(s + 16), at = b.U32(s + 20);
        if (rva >= va && rva - va < raw) return size_t(at) + (rva - va);
    }
    b.Fail("has resources outside its sections");
}

// The entry of the resource directory at dir (a file offset) for id, or the first one when id is
// 0; its target (an offset from the tree's start, with the top bit for a subdirectory) or none.
bool DirectoryEntry(const PeBytes& b, size_t dir, uint32_t id, uint32_t* pTarget)
{
    uint16_t named = b.U16(dir + 12), ids = b.U16(dir + 14);
    for (uint32_t i = 0; i < uint32_t(named) + ids; ++i) {
        size_t e = dir + 16 + size_t(i) * 8;
        if (id == 0 || (i >= named && b.U32(e) == id)) {
            *pTarget = b.U32(e + 4);
            return true;
        }
    }
    return false;
}

// Where the manifest's bytes lie in the program: offset and size.
std::pair<size_t, size_t> FindManifest(const std::string& pe, const std::string& what)
{
    PeBytes b(pe, what);
    PeHeaders h = ReadHeaders(pe, b);
    if (h.nDataDirCount < 3 || b.U32(h.nDataDirs + 2 * 8) == 0) b.Fail("has no resources, so no manifest");
    size_t root = FileOffsetOf(h, b, b.U32(h.nDataDirs + 2 * 8));
    // Type 24, then id 1, then its first language: a data entry.
    uint32_t target = 0x80000000u;
    for (uint32_t id : {24u, 1u, 0u}) {
        if (!(target & 0x80000000u) || !DirectoryEntry(b, root + (target & 0x7FFFFFFFu), id, &target))
            b.Fail("has no manifest (resource type 24, id 1)");
    }
    if (target & 0x80000000u) b.Fail("has a malformed manifest resource");
    size_t data = FileOffsetOf(h, b, b.U32(root + target));
    size_t size = b.U32(root + target + 4);
    b.Need(data, size);
    return {data, size};
}

// The PE checksum: the file's 16-bit words added with their carries folded back in, the checksum
// field itself counted as zero, plus the file's length.
uint32_t PeChecksum(const std::string& pe, size_t nChecksumAt)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < pe.size(); i += 2) {
        if (i >= nChecksumAt && i < nChecksumAt + 4) continue;
        uint32_t word = (unsigned char)pe[i] | (i + 1 < pe.size() ? (unsigned char)pe[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum) + uint32_t(pe.size());
}

}  // namespace

std::string ManifestOf(const std::string& program, const std::string& what)
{
    std::pair<size_t, size_t> at = FindManifest(program, what);
    return program.substr(at.first, at.second);
}

std::string RunningAsInvoker(const std::string& program, const std::string& what)
{
    std::string pe = program;
    PeBytes b(pe, what);
    PeHeaders h = ReadHeaders(pe, b);
    if (h.nDataDirCount >= 5 && b.U32(h.nDataDirs + 4 * 8 + 4) != 0)
        b.Fail("is signed: its manifest cannot change");
    std::pair<size_t, size_t> at = FindManifest(pe, what);
    std::string manifest = pe.substr(at.first, at.second);
    size_t found = manifest.find(kAsAdministrator);
    if (found == std::string::npos || manifest.find(kAsAdministrator, found + 1) != std::string::npos)
        b.Fail(std::string("its manifest holds ") + kAsAdministrator +
               (found == std::string::npos ? " nowhere" : " more than once") +
               ", so it cannot be made to run without administrator rights");
    std::string replacement = kAsInvoker;
    replacement.resize(sizeof kAsAdministrator - 1, ' ');
    pe.replace(at.first + found, replacement.size(), replacement);
    size_t nChecksumAt = h.nOptional + 64;
    if (b.U32(nChecksumAt) != 0) {
        uint32_t sum = PeChecksum(pe, nChecksumAt);
        for (int i = 0; i < 4; ++i) pe[nChecksumAt + size_t(i)] = char(sum >> (8 * i));
    }
    return pe;
}

std::string ProgramForScope(const EmbeddedProgram& program, SetupScope scope)
{
    if (!program.pData)
        throw ToolError(std::string("this zrvtool was built without the ") + ArchName(program.arch) + " " +
                        program.pszName + "; use a zrvtool built with the Windows side");
    std::string bytes(reinterpret_cast<const char*>(program.pData), program.nSize);
    if (scope == SetupScope::machine) return bytes;
    return RunningAsInvoker(bytes, std::string(program.pszName) + " (" + ArchName(program.arch) + ", carried by zrvtool)");
}

}  // namespace zrvtool
