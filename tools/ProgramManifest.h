// The manifest of a Windows program the tool carries, and the one change the tool makes to it: a
// product installed for one user runs its programs as the user who starts them, so their manifest
// asks for no elevation.
#pragma once

#include "EmbeddedPrograms.h"
#include "SetupExtensions.h"

#include <string>

namespace zrvtool {

// The text of program's manifest (resource type 24, id 1, its first language), as it lies in the
// program's bytes. Throws ToolError naming what when program is no Windows program or has no such
// resource, or when the resource lies outside the file.
std::string ManifestOf(const std::string& program, const std::string& what);

// A copy of program whose manifest runs it as the invoker: its one level="requireAdministrator"
// becomes level="asInvoker" followed by blanks up to the same length (XML allows blanks between
// attributes), so nothing else in the program moves; a checksum in the header is made right again.
// Throws ToolError naming what when the program is signed (its signature would no longer hold) or
// its manifest does not hold that attribute exactly once.
std::string RunningAsInvoker(const std::string& program, const std::string& what);

// The bytes of a carried program as a product of scope ships it: as carried for machine, running
// as the invoker for user and either (whose uninstaller elevates itself when it must). Throws
// ToolError when this zrvtool carries no such program, or as RunningAsInvoker does.
std::string ProgramForScope(const EmbeddedProgram& program, SetupScope scope);

}  // namespace zrvtool
