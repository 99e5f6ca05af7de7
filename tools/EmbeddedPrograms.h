// The Windows programs that zrvtool carries inside itself, so that an author needs nothing beside
// the tool: Setup.exe for a medium, Uninstal.exe for every payload and the launcher of a bundle. They are the programs of the
// build the tool was made with, taken in at build time.
#pragma once

#include <cstddef>

struct EmbeddedProgram {
    const char* pszName;         // the file name it is installed under
    const unsigned char* pData;  // its bytes; null when this build carries no such program
    size_t nSize;                // 0 when this build carries no such program
};

// Setup.exe of the same build.
const EmbeddedProgram& EmbeddedSetup();
// Uninstal.exe of the same build.
const EmbeddedProgram& EmbeddedUninstaller();
// The launcher that a bundle starts with, of the same build.
const EmbeddedProgram& EmbeddedLauncher();
