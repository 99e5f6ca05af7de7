// The resources of a Windows program the tool carries: reading one resource's data, and a copy of
// the program with the data of some resources replaced. The launcher's version information and the
// language tables of all three programs are changed this way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zrvtool {

// Reads and writes of a program's bytes that stay inside them: anything outside is a malformed
// program, told as a ToolError "WHAT: why".
class PeImage {
public:
    PeImage(std::string& pe, const std::string& what) : m_pe(pe), m_what(what) {}

    uint32_t U32(size_t at) const;
    uint16_t U16(size_t at) const;
    void Set32(size_t at, uint32_t v);
    void Set16(size_t at, uint16_t v);
    // Throws unless n bytes from at lie inside the program.
    void Need(size_t at, size_t n) const;
    [[noreturn]] void Fail(const std::string& why) const;
    std::string& Bytes() const { return m_pe; }

private:
    std::string& m_pe;
    const std::string& m_what;
};

// Where things are in a program's headers; nRsrcRva and nRoot are 0 when it has no resources.
struct PeLayout {
    size_t nFileHeader = 0, nOptional = 0, nSections = 0;
    uint16_t nSectionCount = 0;
    uint32_t nSectionAlign = 0, nFileAlign = 0, nHeadersSize = 0;
    size_t nDataDirs = 0;
    uint32_t nDataDirCount = 0;
    uint32_t nRsrcRva = 0, nRsrcSize = 0;
    size_t nRoot = 0;  // the resource tree's file offset
};

// The headers of a PE32 or PE32+ program. Throws ToolError: no Windows program, cut short.
PeLayout ReadPeLayout(const PeImage& b);
// The file offset of rva, inside the raw data of a section. Throws ToolError when it is in none.
size_t PeFileOffset(const PeImage& b, const PeLayout& l, uint32_t rva);
// True when the program carries a signature (a certificate table).
bool PeIsSigned(const PeImage& b, const PeLayout& l);

// A resource by its type (a number: 10 RCDATA, 16 version, 24 manifest) and its name: a string
// (strName, compared without letter case, as the system does) or, when strName is empty, the
// number nId; nId 0 with no strName stands for the type's first resource. Its first language is
// meant in every case.
struct ResourceKey {
    uint16_t nType = 0;
    std::string strName;  // ASCII
    uint16_t nId = 0;
};

// The offset (from the resource tree's start) of the data entry of key's first language; 0 when the
// program has no such resource. Throws ToolError for malformed resources.
uint32_t FindResourceEntry(const PeImage& b, const PeLayout& l, const ResourceKey& key);

// The data of the resource key of program, or nothing when program has no such resource. Throws
// ToolError naming what when program is no Windows program or its resources are malformed.
std::optional<std::string> ResourceData(const std::string& program, const ResourceKey& key, const std::string& what);

struct ResourceChange {
    ResourceKey key;
    std::string data;  // the resource's new data
};

// A copy of program (a PE32 or PE32+ file without a signature) in which each resource of changes
// holds its new data. The whole resource tree is copied into a section added at the end with the
// new data after it, the resource directory points at that section, and the old data of each
// changed resource is cleared (nothing reads the old data from the program any more). Throws
// ToolError naming what when program has no such resource, is signed, is malformed, or has no room
// for another section header.
std::string WithResources(const std::string& program, const std::vector<ResourceChange>& changes,
                          const std::string& what);

}  // namespace zrvtool
