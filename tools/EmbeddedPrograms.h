// The Windows programs that zrvtool carries inside itself, so that an author needs nothing beside
// the tool: Setup.exe for a medium, Uninstal.exe for every payload and the launcher of a bundle,
// each for both architectures. They are the programs of the build the tool was made with, taken in
// at build time.
#pragma once

#include <cstddef>

namespace zrvtool {

// The machine a Windows program is built for. x86 (32-bit) is the default product; x64 is the
// installer of a 64-bit product, whose registry writes land in the 64-bit view.
enum class WindowsArch { x86, x64 };

struct EmbeddedProgram {
    const char* pszName;         // the file name it is installed under
    WindowsArch arch;            // the machine it runs on
    const unsigned char* pData;  // its bytes; null when this build carries no such program
    size_t nSize;                // 0 when this build carries no such program
};

// Setup.exe of the same build, for arch.
const EmbeddedProgram& EmbeddedSetup(WindowsArch arch);
// Uninstal.exe of the same build, for arch.
const EmbeddedProgram& EmbeddedUninstaller(WindowsArch arch);
// The launcher that a bundle starts with, of the same build, for arch.
const EmbeddedProgram& EmbeddedLauncher(WindowsArch arch);

}  // namespace zrvtool
