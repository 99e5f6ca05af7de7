#include "ProgramManifest.h"

#include "BundleFormat.h"
#include "ProgramResources.h"
#include "ProgramVersion.h"
#include "ToolCommon.h"

#include <cstdint>

namespace zrvtool {
namespace {

const char kAsAdministrator[] = "level=\"requireAdministrator\"";
const char kAsInvoker[] = "level=\"asInvoker\"";

// Where the manifest's bytes lie in the program: offset and size.
std::pair<size_t, size_t> FindManifest(const std::string& program, const std::string& what)
{
    std::string pe = program;
    PeImage b(pe, what);
    PeLayout l = ReadPeLayout(b);
    if (l.nRoot == 0) b.Fail("has no resources, so no manifest");
    uint32_t entry = FindResourceEntry(b, l, {24, "", 1});
    if (entry == 0) b.Fail("has no manifest (resource type 24, id 1)");
    size_t data = PeFileOffset(b, l, b.U32(l.nRoot + entry));
    size_t size = b.U32(l.nRoot + entry + 4);
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
    PeImage b(pe, what);
    PeLayout h = ReadPeLayout(b);
    if (PeIsSigned(b, h)) b.Fail("is signed: its manifest cannot change");
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
