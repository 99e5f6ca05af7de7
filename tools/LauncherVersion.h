// The version information of a bundle: the launcher's copy names the product it installs.
#pragma once

#include <string>

namespace zrvtool {

struct ProductInfo {
    std::string strName;       // in the medium's code page, as Setup.ini holds it
    std::string strVersion;    // the same; "" when the product gives none
    std::string strPublisher;  // the same; "" when the product gives none
    bool bUtf8 = false;        // that code page is UTF-8 (CodePage=65001), else Windows-1252
};

// The version information block (VS_VERSIONINFO, US English, Windows-1252) of a product's setup
// program: FileDescription "<name> Setup", ProductName, and when given ProductVersion and
// FileVersion (its first four numbers also in the fixed part) and CompanyName.
std::string VersionInfoBlock(const ProductInfo& product);

// A copy of program (a PE32 or PE32+ file without a signature) whose version resource is
// VersionInfoBlock(product), by WithResources (ProgramResources.h): the old block is cleared, so
// that nothing reads the launcher's own name from the program. Throws ToolError when program has
// no version resource, is signed, or has no room for another section header.
std::string WithProductVersion(const std::string& program, const ProductInfo& product);

}  // namespace zrvtool
