// Not a test: makes or removes a registry link below HKEY_CURRENT_USER, as a user without
// administrator rights can, for the end-to-end scenarios (Wine's reg command makes no links).
//   reglink make KEY TARGET   KEY (below HKEY_CURRENT_USER, its parent existing) becomes a link
//                             to TARGET ("\REGISTRY\MACHINE\Software\X")
//   reglink remove KEY        removes the link KEY itself, never its target
// Exit code 0 when done, 1 when the registry refused, 2 for a wrong command line.
#include <cstdio>
#include <cstring>

#include "../common/RegistryKeys.h"

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make") == 0) {
        if (MakeRegistryLink(HKEY_CURRENT_USER, argv[2], argv[3]) && RegistryLinkTarget(HKEY_CURRENT_USER, argv[2]) == argv[3])
            return 0;
        std::fprintf(stderr, "reglink: HKEY_CURRENT_USER\\%s could not be made a link to %s\n", argv[2], argv[3]);
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "remove") == 0) {
        DeleteRegistryLink(HKEY_CURRENT_USER, argv[2]);
        if (RegistryLinkTarget(HKEY_CURRENT_USER, argv[2]).empty()) return 0;
        std::fprintf(stderr, "reglink: the link HKEY_CURRENT_USER\\%s is still there\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "usage: reglink make KEY TARGET | reglink remove KEY\n");
    return 2;
}
