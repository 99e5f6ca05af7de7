// What zrvtool --version says about the Windows programs it carries.
#pragma once

#include <cstddef>
#include <string>

namespace zrvtool {

// The "ProductVersion" text of a Windows program's version resource ("v0.9"), found in its bytes,
// or "" when it has none.
std::string ProductVersionOf(const unsigned char* pData, size_t nSize);

}  // namespace zrvtool
