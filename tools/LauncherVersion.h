// The version information of a bundle: the launcher's copy names the product it installs.
#pragma once

#include <string>

namespace zrvtool {

struct ProductInfo {
    std::string strName;       // in the installer's code page (Windows-1252), as Setup.ini holds it
    std::string strVersion;    // the same; "" when the product gives none
    std::string strPublisher;  // the same; "" when the product gives none
};

// The version information block (VS_VERSIONINFO, US English, Windows-1252) of a product's setup
// program: FileDescription "<name> Setup", ProductName, and when given ProductVersion and
// FileVersion (its first four numbers also in the fixed part) and CompanyName.
std::string VersionInfoBlock(const ProductInfo& product);

// A copy of program (a PE32 or PE32+ file without a signature) whose version resource is
// VersionInfoBlock(product): the block goes into a section added at the end, the resource entry
// points at it, and the old block is cleared. Throws ToolError when program has no version
// resource, is signed, or has no room for another section header.
std::string WithProductVersion(const std::string& program, const ProductInfo& product);

}  // namespace zrvtool
