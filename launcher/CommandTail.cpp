#include "CommandTail.h"

bool HasSilentSwitch(const char* pszCommandLine)
{
    return CCommandSwitches(AfxArgumentsOf(pszCommandLine)).Has("/S");
}
