// The same script text read as a registry file (REGEDIT4) would be read: what an author who knows
// registry files expects it to do. The tool compares it with the installer's dry run.
#pragma once

#include "ScriptText.h"

namespace zrvtool {

struct RegFileEffect {
    int nLine;            // the line the entry starts on
    std::string strText;  // DescribeKey, DescribeValue, or "delete key ...", "delete value ..."
};

// Reads lines[nFirst] onward as the body of a registry file: blank or tab indentation is ignored,
// ";" and "#" lines are comments, a line ending in a backslash continues on the next one, roots are
// matched in any case and abbreviated ("HKLM"), names and strings unescape "\\" and "\"", "@" is
// the default value, "-" deletes, "dword:", "hex:" and "hex(N):" in any case. The first
// "%INSTALLPATH%" and every later one in a string become strInstallPath. Lines a registry file
// could not read give no effect.
std::vector<RegFileEffect> ReadAsRegistryFile(const std::vector<TextLine>& lines, size_t nFirst,
                                              const std::string& strInstallPath);

}  // namespace zrvtool
