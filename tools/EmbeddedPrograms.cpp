#include "EmbeddedPrograms.h"

// The programs' bytes come into the object file by the assembler's .incbin, from the paths the
// build names (ZRV_EMBED_<PROGRAM>_<ARCH>); a build without the Windows side names none. A PE
// object's read-only section is .rdata, and its assembler knows no .previous.
#ifdef _WIN32
#define ZRV_EMBED_SECTION ".section .rdata,\"dr\"\n"
#define ZRV_EMBED_RESUME ".text\n"
#else
#define ZRV_EMBED_SECTION ".section .rodata\n"
#define ZRV_EMBED_RESUME ".previous\n"
#endif
#define ZRV_EMBED(symbol, path)                                              \
    asm(ZRV_EMBED_SECTION                                                     \
        ".balign 16\n"                                                        \
        ".global " #symbol "_begin\n" #symbol "_begin:\n"                     \
        ".incbin \"" path "\"\n"                                              \
        ".global " #symbol "_end\n" #symbol "_end:\n"                         \
        ".byte 0\n"                                                           \
        ZRV_EMBED_RESUME);                                                    \
    extern "C" const unsigned char symbol##_begin[];                          \
    extern "C" const unsigned char symbol##_end[];
#define ZRV_BYTES(symbol) symbol##_begin, size_t(symbol##_end - symbol##_begin)

#ifdef ZRV_EMBED_SETUP_X86
ZRV_EMBED(zrv_setup_x86, ZRV_EMBED_SETUP_X86)
#define ZRV_SETUP_X86 ZRV_BYTES(zrv_setup_x86)
#else
#define ZRV_SETUP_X86 nullptr, 0
#endif
#ifdef ZRV_EMBED_SETUP_X64
ZRV_EMBED(zrv_setup_x64, ZRV_EMBED_SETUP_X64)
#define ZRV_SETUP_X64 ZRV_BYTES(zrv_setup_x64)
#else
#define ZRV_SETUP_X64 nullptr, 0
#endif
#ifdef ZRV_EMBED_UNINSTALLER_X86
ZRV_EMBED(zrv_uninstal_x86, ZRV_EMBED_UNINSTALLER_X86)
#define ZRV_UNINSTALLER_X86 ZRV_BYTES(zrv_uninstal_x86)
#else
#define ZRV_UNINSTALLER_X86 nullptr, 0
#endif
#ifdef ZRV_EMBED_UNINSTALLER_X64
ZRV_EMBED(zrv_uninstal_x64, ZRV_EMBED_UNINSTALLER_X64)
#define ZRV_UNINSTALLER_X64 ZRV_BYTES(zrv_uninstal_x64)
#else
#define ZRV_UNINSTALLER_X64 nullptr, 0
#endif
#ifdef ZRV_EMBED_LAUNCHER_X86
ZRV_EMBED(zrv_launcher_x86, ZRV_EMBED_LAUNCHER_X86)
#define ZRV_LAUNCHER_X86 ZRV_BYTES(zrv_launcher_x86)
#else
#define ZRV_LAUNCHER_X86 nullptr, 0
#endif
#ifdef ZRV_EMBED_LAUNCHER_X64
ZRV_EMBED(zrv_launcher_x64, ZRV_EMBED_LAUNCHER_X64)
#define ZRV_LAUNCHER_X64 ZRV_BYTES(zrv_launcher_x64)
#else
#define ZRV_LAUNCHER_X64 nullptr, 0
#endif

namespace zrvtool {

const EmbeddedProgram& EmbeddedSetup(WindowsArch arch)
{
    static const EmbeddedProgram x86 = {"Setup.exe", WindowsArch::x86, ZRV_SETUP_X86};
    static const EmbeddedProgram x64 = {"Setup.exe", WindowsArch::x64, ZRV_SETUP_X64};
    return arch == WindowsArch::x64 ? x64 : x86;
}

const EmbeddedProgram& EmbeddedUninstaller(WindowsArch arch)
{
    static const EmbeddedProgram x86 = {"Uninstal.exe", WindowsArch::x86, ZRV_UNINSTALLER_X86};
    static const EmbeddedProgram x64 = {"Uninstal.exe", WindowsArch::x64, ZRV_UNINSTALLER_X64};
    return arch == WindowsArch::x64 ? x64 : x86;
}

const EmbeddedProgram& EmbeddedLauncher(WindowsArch arch)
{
    static const EmbeddedProgram x86 = {"Launcher.exe", WindowsArch::x86, ZRV_LAUNCHER_X86};
    static const EmbeddedProgram x64 = {"Launcher.exe", WindowsArch::x64, ZRV_LAUNCHER_X64};
    return arch == WindowsArch::x64 ? x64 : x86;
}

}  // namespace zrvtool
