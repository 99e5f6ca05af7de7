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

#ifdef ZRV_EMBED_SETUP
ZRV_EMBED(zrv_setup_exe, ZRV_EMBED_SETUP)
#endif
#ifdef ZRV_EMBED_UNINSTALLER
ZRV_EMBED(zrv_uninstal_exe, ZRV_EMBED_UNINSTALLER)
#endif

const EmbeddedProgram& EmbeddedSetup()
{
#ifdef ZRV_EMBED_SETUP
    static const EmbeddedProgram program = {"Setup.exe", zrv_setup_exe_begin,
                                            size_t(zrv_setup_exe_end - zrv_setup_exe_begin)};
#else
    static const EmbeddedProgram program = {"Setup.exe", nullptr, 0};
#endif
    return program;
}

const EmbeddedProgram& EmbeddedUninstaller()
{
#ifdef ZRV_EMBED_UNINSTALLER
    static const EmbeddedProgram program = {"Uninstal.exe", zrv_uninstal_exe_begin,
                                            size_t(zrv_uninstal_exe_end - zrv_uninstal_exe_begin)};
#else
    static const EmbeddedProgram program = {"Uninstal.exe", nullptr, 0};
#endif
    return program;
}
