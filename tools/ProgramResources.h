// The resources of a Windows program the tool carries: reading one resource's data, and a copy of
// the program with the data of some resources replaced. The launcher's version information and the
// language tables of all three programs are changed this way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zrvtool {

// A resource by its type (a number: 10 RCDATA, 16 version, 24 manifest) and its name: a string
// (strName, compared without letter case, as the system does) or, when strName is empty, the
// number nId; nId 0 with no strName stands for the type's first resource. Its first language is
// meant in every case.
struct ResourceKey {
    uint16_t nType = 0;
    std::string strName;  // ASCII
    uint16_t nId = 0;
};

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
