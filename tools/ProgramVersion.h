// What zrvtool reads from a Windows program: its version and its machine.
#pragma once

#include "EmbeddedPrograms.h"

#include <cstddef>
#include <optional>
#include <string>

namespace zrvtool {

// The "ProductVersion" text of a Windows program's version resource ("v0.9"), found in its bytes,
// or "" when it has none.
std::string ProductVersionOf(const unsigned char* pData, size_t nSize);

// "x86" or "x64".
const char* ArchName(WindowsArch arch);
// The architecture named "x86" or "x64"; throws ToolError for any other text.
WindowsArch ParseArch(const std::string& text);

// "x86 (32-bit Windows)" or "x64 (64-bit Windows; the registry's 64-bit view)": what the tool
// says of a medium's programs.
std::string ArchSummary(WindowsArch arch);

// The machine of a Windows program from its PE header (x86 for i386, x64 for x86-64), or none when
// the bytes are no program of either.
std::optional<WindowsArch> MachineOf(const unsigned char* pData, size_t nSize);
// The same for the program in the file at path; none also when it cannot be read.
std::optional<WindowsArch> MachineOfFile(const std::string& path);

}  // namespace zrvtool
