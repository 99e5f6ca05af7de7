#include "CommandTail.h"

bool HasSilentSwitch(const char* pszCommandLine)
{
    return CCommandSwitches(AfxArgumentsOf(pszCommandLine)).Has("/S");
}

CString LanguageSwitch(const char* pszCommandLine)
{
    CCommandSwitches switches(AfxArgumentsOf(pszCommandLine));
    CString value;
    for (int i = 0; i < switches.GetCount(); ++i)
        if (switches.IsValued(i, "/LANG=", value)) return value;
    return CString();
}
