#include "EmbeddedPrograms.h"

// The programs' bytes come into the object file by the assembler's .incbin, from the paths the
// build names; a build without the Windows side names none.
#define ZRV_EMBED(symbol, path)                                              \
    asm(".section .rodata\n"                                                  \
        ".balign 16\n"                                                        \
        ".global " #symbol "_begin\n" #symbol "_begin:\n"                     \
        ".incbin \"" path "\"\n"                                              \
        ".global " #symbol "_end\n" #symbol "_end:\n"                         \
        ".byte 0\n"                                                           \
        ".previous\n");                                                       \
    extern "C" const unsigned char symbol##_begin[];                          \
    extern "C" const unsigned char symbol##_end[];

// Each program's bytes and size, or none in a build that names no such program.
#ifdef ZRV_EMBED_SETUP
ZRV_EMBED(zrv_setup_exe, ZRV_EMBED_SETUP)
#define ZRV_SETUP_BYTES zrv_setup_exe_begin, size_t(zrv_setup_exe_end - zrv_setup_exe_begin)
#else
#define ZRV_SETUP_BYTES nullptr, 0
#endif
#ifdef ZRV_EMBED_UNINSTALLER
ZRV_EMBED(zrv_uninstal_exe, ZRV_EMBED_UNINSTALLER)
#define ZRV_UNINSTALLER_BYTES zrv_uninstal_exe_begin, size_t(zrv_uninstal_exe_end - zrv_uninstal_exe_begin)
#else
#define ZRV_UNINSTALLER_BYTES nullptr, 0
#endif

#ifdef ZRV_EMBED_LAUNCHER
ZRV_EMBED(zrv_launcher_exe, ZRV_EMBED_LAUNCHER)
#define ZRV_LAUNCHER_BYTES zrv_launcher_exe_begin, size_t(zrv_launcher_exe_end - zrv_launcher_exe_begin)
#else
#define ZRV_LAUNCHER_BYTES nullptr, 0
#endif

const EmbeddedProgram& EmbeddedSetup()
{
    static const EmbeddedProgram program = {"Setup.exe", ZRV_SETUP_BYTES};
    return program;
}

const EmbeddedProgram& EmbeddedUninstaller()
{
    static const EmbeddedProgram program = {"Uninstal.exe", ZRV_UNINSTALLER_BYTES};
    return program;
}

const EmbeddedProgram& EmbeddedLauncher()
{
    static const EmbeddedProgram program = {"Launcher.exe", ZRV_LAUNCHER_BYTES};
    return program;
}
